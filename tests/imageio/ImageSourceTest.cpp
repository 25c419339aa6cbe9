#include "SampleImages.h"
#include "TestEnvironment.h"

#include "imageio/ImageSource.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {
QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

TEST(ImageSource, readsSizeDepthAndEveryMetadataBlockOfA16BitTiff)
{
    const QString path = TestEnvironment::makeScratchDir("source") + "/export.tif";
    ASSERT_TRUE(SampleImages::writeTiff(path, SampleImages::scene(300, 200), 16));

    const ImageSource source = ImageSource::fromFile(path);
    ASSERT_TRUE(source.isValid()) << source.errorString().toStdString();
    EXPECT_EQ(source.typeIdentifier(), "public.tiff");
    EXPECT_EQ(source.count(), 1);
    const QVariantMap properties = source.propertiesAtIndex(0);
    EXPECT_EQ(properties.value(ImageSource::PixelWidth).toInt(), 300);
    EXPECT_EQ(properties.value(ImageSource::PixelHeight).toInt(), 200);
    EXPECT_EQ(properties.value(ImageSource::Depth).toInt(), 16);
    EXPECT_EQ(properties.value(ImageSource::ColorModel).toString(), "RGB");

    const QVariantMap tiff = properties.value(ImageSource::TiffDictionary).toMap();
    EXPECT_EQ(tiff.value("Make").toString(), SampleImages::kMake);
    EXPECT_EQ(tiff.value("Model").toString(), SampleImages::kModel);
    // The source's own pixel layout does not travel with the metadata.
    EXPECT_FALSE(tiff.contains("StripOffsets"));
    EXPECT_FALSE(tiff.contains("BitsPerSample"));
    const QVariantMap exif = properties.value(ImageSource::ExifDictionary).toMap();
    EXPECT_DOUBLE_EQ(exif.value("ExposureTime").toDouble(), 1.0 / 125.0);
    EXPECT_EQ(exif.value("DateTimeOriginal").toString(), SampleImages::kDateTimeOriginal);
    const QVariantMap gps = properties.value(ImageSource::GpsDictionary).toMap();
    EXPECT_EQ(gps.value("GPSLatitudeRef").toString(), "N");
    EXPECT_EQ(gps.value("GPSLatitude").toList().size(), 3);
    const QVariantMap iptc = properties.value(ImageSource::IptcDictionary).toMap();
    EXPECT_EQ(iptc.value("Keywords").toStringList(), QStringList({"harbour", "dawn"}));
    EXPECT_EQ(iptc.value("ObjectName").toString(), "Harbour");
    EXPECT_TRUE(
        properties.value(ImageSource::XmpData).toByteArray().contains(SampleImages::kTitle));
    EXPECT_EQ(properties.value(ImageSource::IccProfile).toByteArray(), SampleImages::srgbProfile());
    EXPECT_FALSE(properties.value(ImageSource::ExifData).toByteArray().isEmpty());
    EXPECT_TRUE(source.propertiesAtIndex(1).isEmpty());
}

TEST(ImageSource, tellsFormatsByContentNotByName)
{
    const QString dir = TestEnvironment::makeScratchDir("types");
    const vips::VImage scene = SampleImages::scene(64, 48);
    ASSERT_TRUE(SampleImages::writeJpeg(dir + "/jpeg.tif", scene));
    ASSERT_TRUE(SampleImages::writePng(dir + "/png.jpg", scene, 16));
    ASSERT_TRUE(
        SampleImages::writeTiff(dir + "/tiff.png", scene, 8, {false, false, false, false, false}));
    ASSERT_TRUE(SampleImages::writeDng(dir + "/raw.tif", 64, 48));

    const ImageSource jpeg = ImageSource::fromFile(dir + "/jpeg.tif");
    EXPECT_EQ(jpeg.typeIdentifier(), "public.jpeg");
    EXPECT_EQ(jpeg.propertiesAtIndex(0).value(ImageSource::Depth).toInt(), 8);
    const ImageSource png = ImageSource::fromFile(dir + "/png.jpg");
    EXPECT_EQ(png.typeIdentifier(), "public.png");
    EXPECT_EQ(png.propertiesAtIndex(0).value(ImageSource::Depth).toInt(), 16);
    const ImageSource tiff = ImageSource::fromFile(dir + "/tiff.png");
    EXPECT_EQ(tiff.typeIdentifier(), "public.tiff");
    EXPECT_EQ(tiff.propertiesAtIndex(0).value(ImageSource::Depth).toInt(), 8);
    EXPECT_FALSE(tiff.propertiesAtIndex(0).contains(ImageSource::IptcDictionary));
    const ImageSource dng = ImageSource::fromFile(dir + "/raw.tif");
    EXPECT_EQ(dng.typeIdentifier(), "com.adobe.raw-image");
    EXPECT_EQ(dng.propertiesAtIndex(0).value(ImageSource::PixelWidth).toInt(), 64);
    EXPECT_EQ(dng.propertiesAtIndex(0).value(ImageSource::PixelHeight).toInt(), 48);
    EXPECT_EQ(dng.propertiesAtIndex(0)
                  .value(ImageSource::TiffDictionary)
                  .toMap()
                  .value("Make")
                  .toString(),
              SampleImages::kMake);
}

TEST(ImageSource, opensBytesInMemoryLikeTheFile)
{
    const QString path = TestEnvironment::makeScratchDir("memory") + "/photo.jpg";
    ASSERT_TRUE(SampleImages::writeJpeg(path, SampleImages::scene(120, 80)));

    QByteArray bytes = readAll(path);
    const ImageSource fromData = ImageSource::fromData(bytes);
    bytes.fill('\0'); // the source keeps its own copy
    const ImageSource fromFile = ImageSource::fromFile(path);
    ASSERT_TRUE(fromData.isValid()) << fromData.errorString().toStdString();
    EXPECT_EQ(fromData.typeIdentifier(), "public.jpeg");
    EXPECT_EQ(fromData.propertiesAtIndex(0), fromFile.propertiesAtIndex(0));
    EXPECT_EQ(fromData.propertiesAtIndex(0).value(ImageSource::PixelWidth).toInt(), 120);
}

TEST(ImageSource, failsOnWhatIsNoImage)
{
    const QString dir = TestEnvironment::makeScratchDir("noimage");
    QFile text(dir + "/notes.tif");
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not an image at all\n");
    text.close();
    QFile(dir + "/empty.jpg").open(QIODevice::WriteOnly);
    QDir(dir).mkdir("folder.tif");

    for (const char* name : {"/missing.tif", "/notes.tif", "/empty.jpg", "/folder.tif"}) {
        const QString path = dir + name;
        const ImageSource source = ImageSource::fromFile(path);
        EXPECT_FALSE(source.isValid()) << path.toStdString();
        EXPECT_EQ(source.count(), 0);
        EXPECT_TRUE(source.typeIdentifier().isEmpty());
        EXPECT_TRUE(source.propertiesAtIndex(0).isEmpty());
        EXPECT_FALSE(source.errorString().isEmpty());
    }
    EXPECT_FALSE(ImageSource::fromData(QByteArray("\xFF\xD8\xFF garbage"))
                     .propertiesAtIndex(0)
                     .contains(ImageSource::PixelWidth));
    EXPECT_FALSE(ImageSource::fromData(QByteArray()).isValid());
}
