#include "MappedTiff_p.h"

#include <QFile>
#include <QFileInfo>

#include <tiffio.h>

#include <memory>

namespace {
struct Layout {
    int width = 0, height = 0, bands = 0;
    VipsBandFormat format = VIPS_FORMAT_UCHAR;
    VipsInterpretation interpretation = VIPS_INTERPRETATION_sRGB;
    guint64 offset = 0;
    // Pixels per millimetre and the unit the file gave them in, as libvips'
    // loader reports them.
    double xres = 1.0, yres = 1.0;
    const char* resolutionUnit = nullptr;
};

// The pixels are the loader's business; its messages would only repeat
// what the fallback says again.
int quietly(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

std::unique_ptr<TIFF, TiffCloser> openQuietly(const QByteArray& path)
{
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, quietly, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, quietly, nullptr);
    TIFF* tiff = TIFFOpenExt(path.constData(), "rm", options);
    TIFFOpenOptionsFree(options);
    return std::unique_ptr<TIFF, TiffCloser>(tiff);
}

uint16_t field16(TIFF* tiff, ttag_t tag)
{
    uint16_t value = 0;
    TIFFGetFieldDefaulted(tiff, tag, &value);
    return value;
}

bool readSampleLayout(TIFF* tiff, Layout* layout)
{
    uint32_t width = 0, height = 0;
    if (TIFFIsTiled(tiff) || !TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height) || width == 0 || height == 0 ||
        width > VIPS_MAX_COORD || height > VIPS_MAX_COORD)
        return false;
    const uint16_t bits = field16(tiff, TIFFTAG_BITSPERSAMPLE);
    const uint16_t samples = field16(tiff, TIFFTAG_SAMPLESPERPIXEL);
    const uint16_t photometric = field16(tiff, TIFFTAG_PHOTOMETRIC);
    if (field16(tiff, TIFFTAG_COMPRESSION) != COMPRESSION_NONE ||
        field16(tiff, TIFFTAG_PLANARCONFIG) != PLANARCONFIG_CONTIG ||
        field16(tiff, TIFFTAG_SAMPLEFORMAT) != SAMPLEFORMAT_UINT ||
        field16(tiff, TIFFTAG_ORIENTATION) != ORIENTATION_TOPLEFT || (bits != 8 && bits != 16) ||
        (bits == 16 && TIFFIsByteSwapped(tiff)))
        return false;
    const bool sixteen = bits == 16;
    if (photometric == PHOTOMETRIC_RGB && (samples == 3 || samples == 4))
        layout->interpretation = sixteen ? VIPS_INTERPRETATION_RGB16 : VIPS_INTERPRETATION_sRGB;
    else if (photometric == PHOTOMETRIC_MINISBLACK && (samples == 1 || samples == 2))
        layout->interpretation = sixteen ? VIPS_INTERPRETATION_GREY16 : VIPS_INTERPRETATION_B_W;
    else
        return false;
    layout->width = int(width);
    layout->height = int(height);
    layout->bands = samples;
    layout->format = sixteen ? VIPS_FORMAT_USHORT : VIPS_FORMAT_UCHAR;
    return true;
}

// Where the rows begin, when every strip follows the one before and together
// they hold exactly the rows.
bool findContiguousRows(TIFF* tiff, const Layout& layout, qint64 fileSize, guint64* offset)
{
    const uint32_t strips = TIFFNumberOfStrips(tiff);
    uint64_t* offsets = nullptr;
    uint64_t* counts = nullptr;
    if (strips == 0 || !TIFFGetField(tiff, TIFFTAG_STRIPOFFSETS, &offsets) ||
        !TIFFGetField(tiff, TIFFTAG_STRIPBYTECOUNTS, &counts) || !offsets || !counts)
        return false;
    const uint64_t bytesPerSample = layout.format == VIPS_FORMAT_USHORT ? 2 : 1;
    const uint64_t rowBytes = uint64_t(layout.width) * uint64_t(layout.bands) * bytesPerSample;
    uint64_t next = offsets[0];
    for (uint32_t s = 0; s < strips; ++s) {
        if (offsets[s] != next)
            return false;
        next += counts[s];
    }
    if (next - offsets[0] != rowBytes * uint64_t(layout.height) || next > uint64_t(fileSize))
        return false;
    *offset = offsets[0];
    return true;
}

// Resolution as libvips' loader converts it: pixels per millimetre.
void readResolution(TIFF* tiff, Layout* layout)
{
    uint16_t unit = 0;
    float x = 0, y = 0;
    if (!TIFFGetField(tiff, TIFFTAG_RESOLUTIONUNIT, &unit) ||
        !TIFFGetFieldDefaulted(tiff, TIFFTAG_XRESOLUTION, &x) ||
        !TIFFGetFieldDefaulted(tiff, TIFFTAG_YRESOLUTION, &y) || x <= 0 || y <= 0)
        return;
    if (unit == RESUNIT_INCH) {
        layout->xres = x / 25.4;
        layout->yres = y / 25.4;
        layout->resolutionUnit = "in";
    } else if (unit == RESUNIT_CENTIMETER) {
        layout->xres = x / 10.0;
        layout->yres = y / 10.0;
        layout->resolutionUnit = "cm";
    } else {
        layout->xres = x;
        layout->yres = y;
    }
}

void closeFile(VipsImage*, QFile* file)
{
    delete file; // unmaps
}

std::optional<Layout> readLayout(const QByteArray& path)
{
    const qint64 fileSize = QFileInfo(QFile::decodeName(path)).size();
    const auto tiff = openQuietly(path);
    Layout layout;
    if (!tiff || !readSampleLayout(tiff.get(), &layout) ||
        !findContiguousRows(tiff.get(), layout, fileSize, &layout.offset))
        return std::nullopt;
    readResolution(tiff.get(), &layout);
    return layout;
}
} // namespace

std::optional<vips::VImage> MappedTiff::open(const QByteArray& path)
{
    const std::optional<Layout> layout = readLayout(path);
    if (!layout)
        return std::nullopt;
    auto file = std::make_unique<QFile>(QFile::decodeName(path));
    const qint64 bytesPerSample = layout->format == VIPS_FORMAT_USHORT ? 2 : 1;
    const qint64 size = qint64(layout->width) * layout->height * layout->bands * bytesPerSample;
    uchar* pixels =
        file->open(QIODevice::ReadOnly) ? file->map(qint64(layout->offset), size) : nullptr;
    if (!pixels)
        throw vips::VError(QStringLiteral("cannot map %1: %2")
                               .arg(file->fileName(), file->errorString())
                               .toStdString());
    VipsImage* mapped = vips_image_new_from_memory(pixels, size_t(size), layout->width,
                                                   layout->height, layout->bands, layout->format);
    if (!mapped)
        throw vips::VError();
    // The mapping lives exactly as long as the image that reads it.
    g_signal_connect(mapped, "postclose", G_CALLBACK(closeFile), file.release());
    vips::VImage image(mapped);
    image = image.copy(vips::VImage::option()
                           ->set("interpretation", layout->interpretation)
                           ->set("xres", layout->xres)
                           ->set("yres", layout->yres));
    if (layout->resolutionUnit)
        image.set(VIPS_META_RESOLUTION_UNIT, layout->resolutionUnit);
    return image;
}
