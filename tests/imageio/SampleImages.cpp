#include "SampleImages.h"

#include <QFile>
#include <QtEndian>

#include <exiv2/exiv2.hpp>
#include <tiffio.h>

#include <cmath>
#include <functional>
#include <vector>

namespace {
vips::VImage withProfile(const vips::VImage& image, bool icc)
{
    vips::VImage out = image.copy();
    if (icc) {
        const QByteArray profile = SampleImages::srgbProfile();
        vips_image_set_blob_copy(out.get_image(), VIPS_META_ICC_NAME, profile.constData(),
                                 static_cast<size_t>(profile.size()));
    }
    return out;
}

vips::VImage scaled(const vips::VImage& samples, int bits)
{
    const double top = bits == 16 ? 65535.0 : 255.0;
    const VipsBandFormat format = bits == 16 ? VIPS_FORMAT_USHORT : VIPS_FORMAT_UCHAR;
    const VipsInterpretation interpretation =
        bits == 16 ? VIPS_INTERPRETATION_RGB16 : VIPS_INTERPRETATION_sRGB;
    return (samples * top + 0.5)
        .cast(format)
        .copy(vips::VImage::option()->set("interpretation", interpretation));
}
} // namespace

vips::VImage SampleImages::scene(int width, int height)
{
    const vips::VImage xy = vips::VImage::xyz(width, height);
    const vips::VImage x = xy[0] / double(width);
    const vips::VImage y = xy[1] / double(height);
    // sin() and cos() take degrees: periods of about 20 and 30 pixels.
    const vips::VImage texture = (xy[0] * 18.0).sin() * (xy[1] * 12.0).cos() * 0.06;
    const vips::VImage noise = vips::VImage::gaussnoise(
        width, height, vips::VImage::option()->set("sigma", 0.01)->set("mean", 0.0));
    const vips::VImage r = x * 0.6 + 0.2 + texture + noise;
    const vips::VImage g = y * 0.5 + 0.25 + texture;
    const vips::VImage b = (x + y) * 0.3 + 0.1 - texture;
    const vips::VImage rgb = r.bandjoin(g).bandjoin(b);
    return (rgb < 0.0).ifthenelse(0.0, (rgb > 1.0).ifthenelse(1.0, rgb));
}

bool SampleImages::writeTiff(const QString& path, const vips::VImage& samples, int bits,
                             Metadata metadata)
{
    withProfile(scaled(samples, bits), metadata.icc).tiffsave(QFile::encodeName(path).constData());
    metadata.icc = false;
    return addMetadata(path, metadata);
}

bool SampleImages::writeJpeg(const QString& path, const vips::VImage& samples, Metadata metadata)
{
    withProfile(scaled(samples, 8), metadata.icc)
        .jpegsave(QFile::encodeName(path).constData(), vips::VImage::option()->set("Q", 95));
    metadata.icc = false;
    return addMetadata(path, metadata);
}

bool SampleImages::writePng(const QString& path, const vips::VImage& samples, int bits)
{
    scaled(samples, bits).pngsave(QFile::encodeName(path).constData());
    return true;
}

bool SampleImages::writeDamagedTiff(const QString& path)
{
    (scene(200, 150) * 255.0)
        .cast(VIPS_FORMAT_UCHAR)
        .tiffsave(QFile::encodeName(path).constData(),
                  vips::VImage::option()->set("compression", VIPS_FOREIGN_TIFF_COMPRESSION_LZW));
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    // libtiff writes the directory after the strips.
    const qint64 directory = qFromLittleEndian<quint32>(file.read(8).constData() + 4);
    if (directory < 20000)
        return false;
    file.seek(directory / 3);
    return file.write(QByteArray(directory / 3, '\xFF')) == directory / 3;
}

bool SampleImages::writeFakeDng(const QString& path)
{
    if (!writeTiff(path, scene(32, 32), 8, {false, false, false, false, false}))
        return false;
    try {
        Exiv2::Image::AutoPtr image =
            Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
        image->readMetadata();
        Exiv2::DataValue version(Exiv2::unsignedByte);
        version.read("1 4 0 0");
        image->exifData().add(Exiv2::ExifKey("Exif.Image.DNGVersion"), &version);
        image->writeMetadata();
        return true;
    } catch (const Exiv2::AnyError&) {
        return false;
    }
}

bool SampleImages::addMetadata(const QString& path, Metadata metadata)
{
    try {
        Exiv2::Image::AutoPtr image =
            Exiv2::ImageFactory::open(QFile::encodeName(path).toStdString());
        image->readMetadata();
        if (metadata.exif) {
            Exiv2::ExifData& exif = image->exifData();
            exif["Exif.Image.Make"] = kMake;
            exif["Exif.Image.Model"] = kModel;
            exif["Exif.Photo.DateTimeOriginal"] = kDateTimeOriginal;
            exif["Exif.Photo.ExposureTime"] = Exiv2::URational(1, 125);
            exif["Exif.Photo.FNumber"] = Exiv2::URational(28, 10);
            exif["Exif.Photo.ISOSpeedRatings"] = uint16_t(200);
        }
        if (metadata.gps) {
            Exiv2::ExifData& exif = image->exifData();
            exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
            Exiv2::URationalValue latitude;
            latitude.read(kLatitude);
            exif["Exif.GPSInfo.GPSLatitude"] = latitude;
        }
        if (metadata.xmp) {
            image->xmpData()["Xmp.dc.title"] = std::string("lang=x-default ") + kTitle;
            image->xmpData()["Xmp.xmp.Rating"] = "3";
        }
        if (metadata.iptc) {
            Exiv2::IptcData& iptc = image->iptcData();
            iptc["Iptc.Application2.ObjectName"] = "Harbour";
            Exiv2::StringValue keyword(kKeyword);
            iptc.add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &keyword);
            Exiv2::StringValue second("dawn");
            iptc.add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &second);
        }
        if (metadata.icc) {
            const QByteArray profile = srgbProfile();
            Exiv2::DataBuf buffer(reinterpret_cast<const Exiv2::byte*>(profile.constData()),
                                  static_cast<long>(profile.size()));
            image->setIccProfile(buffer);
        }
        image->writeMetadata();
        return true;
    } catch (const Exiv2::AnyError&) {
        return false;
    }
}

QByteArray SampleImages::srgbProfile()
{
    VipsBlob* blob = vips::VImage::profile_load("srgb");
    size_t length = 0;
    const void* data = vips_blob_get(blob, &length);
    QByteArray profile(static_cast<const char*>(data), static_cast<qsizetype>(length));
    vips_area_unref(VIPS_AREA(blob));
    return profile;
}

namespace {
// A DNG of one RGGB mosaic, its photosite values given row by row.
bool writeMosaic(const QString& path, int width, int height,
                 const std::function<void(int y, uint16_t* row)>& fillRow)
{
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (!tif)
        return false;
    const uint8_t version[4] = {1, 4, 0, 0};
    const uint16_t patternDim[2] = {2, 2};
    const uint8_t pattern[4] = {0, 1, 1, 2}; // R G / G B
    float black[1] = {256.0f};
    float white[1] = {65535.0f};
    float colorMatrix[9] = {1.0f, 0, 0, 0, 1.0f, 0, 0, 0, 1.0f};
    float neutral[3] = {1.0f, 1.0f, 1.0f};
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, 0);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_CFA);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
    TIFFSetField(tif, TIFFTAG_MAKE, SampleImages::kMake);
    TIFFSetField(tif, TIFFTAG_MODEL, SampleImages::kModel);
    TIFFSetField(tif, TIFFTAG_DNGVERSION, version);
    TIFFSetField(tif, TIFFTAG_UNIQUECAMERAMODEL, "Acme Field 7");
    TIFFSetField(tif, TIFFTAG_CFAREPEATPATTERNDIM, patternDim);
    TIFFSetField(tif, TIFFTAG_CFAPATTERN, 4, pattern);
    TIFFSetField(tif, TIFFTAG_BLACKLEVEL, 1, black);
    TIFFSetField(tif, TIFFTAG_WHITELEVEL, 1, white);
    TIFFSetField(tif, TIFFTAG_COLORMATRIX1, 9, colorMatrix);
    TIFFSetField(tif, TIFFTAG_ASSHOTNEUTRAL, 3, neutral);
    std::vector<uint16_t> row(static_cast<size_t>(width));
    bool ok = true;
    for (int y = 0; y < height && ok; ++y) {
        fillRow(y, row.data());
        ok = TIFFWriteScanline(tif, row.data(), uint32_t(y), 0) >= 0;
    }
    TIFFClose(tif);
    return ok;
}
} // namespace

bool SampleImages::writeDng(const QString& path, int width, int height)
{
    return writeMosaic(path, width, height, [width](int, uint16_t* row) {
        for (int x = 0; x < width; ++x)
            row[x] = x < width / 2 ? 4000 : 40000;
    });
}

bool SampleImages::writeDng(const QString& path, const vips::VImage& samples)
{
    const vips::VImage photosites =
        (samples * (65535.0 - 256.0) + 256.0).cast(VIPS_FORMAT_USHORT).copy_memory();
    const int width = photosites.width();
    return writeMosaic(path, width, photosites.height(), [&](int y, uint16_t* row) {
        const auto* rgb =
            reinterpret_cast<const uint16_t*>(VIPS_IMAGE_ADDR(photosites.get_image(), 0, y));
        for (int x = 0; x < width; ++x) {
            // R G on even rows, G B on odd ones.
            const int band = (y % 2) + (x % 2);
            row[x] = rgb[3 * x + band];
        }
    });
}

vips::VImage SampleImages::decodeFile(const QString& path)
{
    return vips::VImage::new_from_file(QFile::encodeName(path).constData()).copy_memory();
}

vips::VImage SampleImages::decode(const QByteArray& encoded)
{
    return vips::VImage::new_from_buffer(encoded.constData(), size_t(encoded.size()), "")
        .copy_memory();
}

double SampleImages::psnr(const vips::VImage& image, const vips::VImage& reference)
{
    const vips::VImage diff = image.cast(VIPS_FORMAT_FLOAT) - reference.cast(VIPS_FORMAT_FLOAT);
    const double mse = (diff * diff).avg();
    return mse > 0 ? 10.0 * std::log10(255.0 * 255.0 / mse) : INFINITY;
}

double SampleImages::mean(const QString& path)
{
    return decodeFile(path).avg();
}
