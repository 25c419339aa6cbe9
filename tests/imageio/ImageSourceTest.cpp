#include "SampleImages.h"
#include "TestEnvironment.h"

#include "imageio/ImageSource.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

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
