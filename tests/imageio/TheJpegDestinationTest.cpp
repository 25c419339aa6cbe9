#include "JpegStructure.h"
#include "SampleImages.h"
#include "TestEnvironment.h"

#include "imageio/Bitmap.h"
#include "imageio/ImageSource.h"
#include "imageio/JpegDestination.h"

#include <QCryptographicHash>
#include <QFile>

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {
QByteArray encode(const QString& path, QVariantMap options, const QVariant& quality = 0.8)
{
    options.insert(JpegDestination::LossyCompressionQuality, quality);
    JpegDestination destination;
    destination.addImage(Bitmap::fromFile(path), options);
    return destination.finalize() ? destination.data() : QByteArray();
}

QVariantMap propertiesOf(const QString& path)
{
    return ImageSource::fromFile(path).propertiesAtIndex(0);
}

Exiv2::Image::AutoPtr readBack(const QByteArray& jpeg)
{
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(
        reinterpret_cast<const Exiv2::byte*>(jpeg.constData()), static_cast<long>(jpeg.size()));
    image->readMetadata();
    return image;
}

bool hasKey(const Exiv2::ExifData& exif, const char* key)
{
    return exif.findKey(Exiv2::ExifKey(key)) != exif.end();
}

std::string text(const Exiv2::ExifData& exif, const char* key)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    return it == exif.end() ? std::string("(absent)") : it->toString();
}

class TheJpegDestination : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = TestEnvironment::makeScratchDir("destination");
        m_tiff = m_dir + "/export.tif";
        ASSERT_TRUE(SampleImages::writeTiff(m_tiff, SampleImages::scene(200, 150), 16));
    }
    QString m_dir;
    QString m_tiff;
};
} // namespace

TEST_F(TheJpegDestination, qualityMapsOntoTheEncoderScale)
{
    EXPECT_EQ(JpegDestination::encoderQuality(0.8), 80);
    EXPECT_EQ(JpegDestination::encoderQuality(1.0), 100);
    EXPECT_EQ(JpegDestination::encoderQuality(0.555), 56);
    EXPECT_EQ(JpegDestination::encoderQuality(0.0), 1);
    EXPECT_EQ(JpegDestination::encoderQuality(-3.0), 1);
    EXPECT_EQ(JpegDestination::encoderQuality(7.5), 100);
    EXPECT_EQ(JpegDestination::encoderQuality(QVariant()), 75);
    EXPECT_EQ(JpegDestination::encoderQuality(QString("high")), 75);
    EXPECT_EQ(JpegDestination::encoderQuality(std::numeric_limits<double>::quiet_NaN()), 75);
}

TEST_F(TheJpegDestination, optimisedTablesGiveTheSamePixelsInFewerBytes)
{
    // The same 8-bit pixels encoded with libjpeg's standard tables.
    const vips::VImage eightBit =
        ((vips::VImage::tiffload(QFile::encodeName(m_tiff).constData()) + 128.0) / 257.0)
            .cast(VIPS_FORMAT_UCHAR)
            .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    for (const double quality : {0.5, 0.8, 0.95}) {
        const QByteArray optimised = encode(m_tiff, {}, quality);
        VipsBlob* blob = eightBit.jpegsave_buffer(
            vips::VImage::option()->set("Q", int(quality * 100))->set("strip", true));
        size_t length = 0;
        const void* bytes = vips_blob_get(blob, &length);
        const QByteArray standard(static_cast<const char*>(bytes), qsizetype(length));
        vips_area_unref(VIPS_AREA(blob));

        ASSERT_FALSE(optimised.isEmpty());
        EXPECT_LT(optimised.size(), standard.size()) << "quality " << quality;
        const vips::VImage difference = SampleImages::decode(optimised).cast(VIPS_FORMAT_INT) -
                                        SampleImages::decode(standard).cast(VIPS_FORMAT_INT);
        EXPECT_EQ(difference.abs().max(), 0.0) << "quality " << quality;
    }
}

TEST_F(TheJpegDestination, higherQualityGivesALargerFile)
{
    qsizetype previous = 0;
    for (double quality : {0.05, 0.2, 0.4, 0.6, 0.8, 0.9, 1.0}) {
        const QByteArray jpeg = encode(m_tiff, {}, quality);
        ASSERT_FALSE(jpeg.isEmpty());
        EXPECT_GT(jpeg.size(), previous) << "quality " << quality;
        previous = jpeg.size();
    }
}

TEST_F(TheJpegDestination, writesExifGpsXmpAndIccAndUpdatesThePixelSize)
{
    QVariantMap properties = propertiesOf(m_tiff);
    properties.remove(ImageSource::IptcDictionary);
    Bitmap half = Bitmap::fromFile(m_tiff).redrawn(100, 75);
    properties.insert(JpegDestination::LossyCompressionQuality, 0.8);
    JpegDestination destination;
    ASSERT_TRUE(destination.addImage(half, properties));
    ASSERT_TRUE(destination.finalize()) << destination.errorString().toStdString();

    Exiv2::Image::AutoPtr out = readBack(destination.data());
    const Exiv2::ExifData& exif = out->exifData();
    EXPECT_EQ(text(exif, "Exif.Image.Make"), SampleImages::kMake);
    EXPECT_EQ(text(exif, "Exif.Image.Model"), SampleImages::kModel);
    EXPECT_EQ(text(exif, "Exif.Photo.DateTimeOriginal"), SampleImages::kDateTimeOriginal);
    EXPECT_EQ(text(exif, "Exif.Photo.ExposureTime"), "1/125");
    EXPECT_EQ(std::stol(text(exif, "Exif.Photo.PixelXDimension")), 100);
    EXPECT_EQ(std::stol(text(exif, "Exif.Photo.PixelYDimension")), 75);
    EXPECT_EQ(text(exif, "Exif.GPSInfo.GPSLatitudeRef"), "N");
    EXPECT_EQ(text(exif, "Exif.GPSInfo.GPSLatitude"), SampleImages::kLatitude);
    // Nothing of the TIFF's own layout ends up in the JPEG.
    for (const char* key :
         {"Exif.Image.ImageWidth", "Exif.Image.BitsPerSample", "Exif.Image.StripOffsets",
          "Exif.Image.XMLPacket", "Exif.Image.IPTCNAA", "Exif.Image.InterColorProfile"})
        EXPECT_FALSE(hasKey(exif, key)) << key;
    EXPECT_EQ(QByteArray::fromStdString(out->xmpPacket()),
              properties.value(ImageSource::XmpData).toByteArray());
    ASSERT_TRUE(out->iccProfileDefined());
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(out->iccProfile()->pData_),
                         out->iccProfile()->size_),
              SampleImages::srgbProfile());
    EXPECT_TRUE(out->iptcData().empty());
    const vips::VImage pixels = SampleImages::decode(destination.data());
    EXPECT_EQ(pixels.width(), 100);
    EXPECT_EQ(pixels.height(), 75);
}

TEST_F(TheJpegDestination, exifLargerThanASegmentShedsItsLargestTags)
{
    {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(m_tiff.toStdString());
        image->readMetadata();
        image->exifData()["Exif.Image.ImageDescription"] = std::string(30000, 'd');
        image->exifData()["Exif.Image.Artist"] = std::string(30000, 'a');
        image->exifData()["Exif.Image.Copyright"] = std::string(30000, 'c');
        image->writeMetadata();
    }
    const QByteArray jpeg = encode(m_tiff, propertiesOf(m_tiff));

    bool ok = false;
    JpegStructure::segments(jpeg, &ok);
    ASSERT_TRUE(ok);
    Exiv2::Image::AutoPtr out = readBack(jpeg);
    EXPECT_EQ(text(out->exifData(), "Exif.Image.Make"), SampleImages::kMake);
    EXPECT_EQ(std::stol(text(out->exifData(), "Exif.Photo.PixelXDimension")), 200);
    EXPECT_FALSE(hasKey(out->exifData(), "Exif.Image.ImageDescription"));
    EXPECT_EQ(SampleImages::decode(jpeg).width(), 200);
}

TEST_F(TheJpegDestination, xmpLargerThanASegmentBecomesExtendedXmp)
{
    const std::string description(150000, 'x');
    {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(m_tiff.toStdString());
        image->readMetadata();
        image->xmpData()["Xmp.dc.description"] = "lang=x-default " + description;
        image->writeMetadata();
    }
    const QByteArray jpeg = encode(m_tiff, propertiesOf(m_tiff));
    bool ok = false;
    JpegStructure::segments(jpeg, &ok);
    ASSERT_TRUE(ok);

    const QList<QByteArray> standard =
        JpegStructure::payloads(jpeg, 0xE1, QByteArray("http://ns.adobe.com/xap/1.0/\0", 29));
    ASSERT_EQ(standard.size(), 1);
    EXPECT_TRUE(standard[0].contains(SampleImages::kTitle));
    const QList<QByteArray> chunks =
        JpegStructure::payloads(jpeg, 0xE1, QByteArray("http://ns.adobe.com/xmp/extension/\0", 35));
    ASSERT_GE(chunks.size(), 3);
    const QByteArray guid = chunks[0].left(32);
    const QByteArray attribute = QByteArray("HasExtendedXMP=\"").append(guid).append('"');
    const QByteArray element = QByteArray("<xmpNote:HasExtendedXMP>").append(guid);
    EXPECT_TRUE(standard[0].contains(attribute) || standard[0].contains(element));
    QByteArray extended;
    quint32 fullLength = 0;
    for (const QByteArray& chunk : chunks) {
        ASSERT_GT(chunk.size(), 40);
        EXPECT_EQ(chunk.left(32), guid);
        const auto bigEndian = [&](int at) {
            return (quint32(quint8(chunk[at])) << 24) | (quint32(quint8(chunk[at + 1])) << 16) |
                   (quint32(quint8(chunk[at + 2])) << 8) | quint32(quint8(chunk[at + 3]));
        };
        fullLength = bigEndian(32);
        EXPECT_EQ(bigEndian(36), quint32(extended.size())) << "chunk offset";
        extended += chunk.mid(40);
    }
    EXPECT_EQ(fullLength, quint32(extended.size()));
    EXPECT_TRUE(extended.contains(QByteArray::fromStdString(description)));
    EXPECT_EQ(QCryptographicHash::hash(extended, QCryptographicHash::Md5).toHex().toUpper(), guid);
}

TEST_F(TheJpegDestination, damagedPixelsFailTheFinalizeAndGiveNoData)
{
    const QString damaged = m_dir + "/damaged.tif";
    ASSERT_TRUE(SampleImages::writeDamagedTiff(damaged));
    const Bitmap bitmap = Bitmap::fromFile(damaged);
    ASSERT_TRUE(bitmap.isValid());
    JpegDestination destination;
    ASSERT_TRUE(destination.addImage(bitmap, {}));
    EXPECT_FALSE(destination.finalize());
    EXPECT_TRUE(destination.data().isEmpty());
    EXPECT_FALSE(destination.errorString().isEmpty());
}
