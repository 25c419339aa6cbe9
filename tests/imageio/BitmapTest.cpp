#include "SampleImages.h"
#include "TestEnvironment.h"

#include "imageio/Bitmap.h"
#include "imageio/JpegDestination.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {
// Encodes `bitmap` and decodes the JPEG again: the pixels libvips really made.
vips::VImage encodedPixels(const Bitmap& bitmap)
{
    JpegDestination destination;
    destination.addImage(bitmap, {{JpegDestination::LossyCompressionQuality, 1.0}});
    if (!destination.finalize())
        return vips::VImage::black(1, 1);
    return SampleImages::decode(destination.data());
}
} // namespace

TEST(Bitmap, decodesTiffJpegAndPngWithTheirDepth)
{
    const QString dir = TestEnvironment::makeScratchDir("decode");
    const vips::VImage scene = SampleImages::scene(90, 60);
    ASSERT_TRUE(SampleImages::writeTiff(dir + "/a.tif", scene, 16));
    ASSERT_TRUE(SampleImages::writeTiff(dir + "/b.tif", scene, 8));
    ASSERT_TRUE(SampleImages::writeJpeg(dir + "/c.jpg", scene));
    ASSERT_TRUE(SampleImages::writePng(dir + "/d.png", scene, 16));

    const struct {
        const char* name;
        int bits;
    } cases[] = {{"/a.tif", 16}, {"/b.tif", 8}, {"/c.jpg", 8}, {"/d.png", 16}};
    for (const auto& c : cases) {
        const Bitmap bitmap = Bitmap::fromFile(dir + c.name);
        ASSERT_TRUE(bitmap.isValid()) << c.name << ": " << bitmap.errorString().toStdString();
        EXPECT_EQ(bitmap.pixelsWide(), 90) << c.name;
        EXPECT_EQ(bitmap.pixelsHigh(), 60) << c.name;
        EXPECT_EQ(bitmap.bitsPerSample(), c.bits) << c.name;
        EXPECT_EQ(bitmap.samplesPerPixel(), 3) << c.name;
    }
}

TEST(Bitmap, redrawnHasExactlyTheRoundedSize)
{
    const QString path = TestEnvironment::makeScratchDir("redraw") + "/odd.tif";
    ASSERT_TRUE(SampleImages::writeTiff(path, SampleImages::scene(301, 201), 16));

    const struct {
        double w, h;
        int pixelsWide, pixelsHigh;
    } cases[] = {
        {150.5, 100.5, 151, 101},            // 301 x 201 at 0.5
        {225.75, 150.75, 226, 151},          // at 0.75
        {75.25, 50.25, 75, 50},              // at 0.25
        {120.0, 80.13289036544851, 120, 80}, // long side fitted to 120
        {0.4, 0.4, 1, 1},
        {301.0, 201.0, 301, 201},
    };
    for (const auto& c : cases) {
        const Bitmap redrawn = Bitmap::fromFile(path).redrawn(c.w, c.h);
        ASSERT_TRUE(redrawn.isValid()) << redrawn.errorString().toStdString();
        EXPECT_EQ(redrawn.pixelsWide(), c.pixelsWide);
        EXPECT_EQ(redrawn.pixelsHigh(), c.pixelsHigh);
        EXPECT_EQ(redrawn.bitsPerSample(), 8);
        const vips::VImage pixels = encodedPixels(redrawn);
        EXPECT_EQ(pixels.width(), c.pixelsWide);
        EXPECT_EQ(pixels.height(), c.pixelsHigh);
    }
    EXPECT_FALSE(Bitmap::fromFile(path).redrawn(0.0, 10.0).isValid());
    EXPECT_FALSE(Bitmap().redrawn(10.0, 10.0).isValid());
}

TEST(Bitmap, decodesADngMadeWithLibtiff)
{
    const QString path = TestEnvironment::makeScratchDir("dng") + "/frame.dng";
    ASSERT_TRUE(SampleImages::writeDng(path, 64, 48));

    const Bitmap bitmap = Bitmap::fromFile(path);
    ASSERT_TRUE(bitmap.isValid()) << bitmap.errorString().toStdString();
    EXPECT_EQ(bitmap.pixelsWide(), 64);
    EXPECT_EQ(bitmap.pixelsHigh(), 48);
    EXPECT_EQ(bitmap.bitsPerSample(), 16);
    EXPECT_EQ(bitmap.samplesPerPixel(), 3);
    const vips::VImage pixels = encodedPixels(bitmap);
    const double left = pixels.extract_area(4, 4, 24, 40).avg();
    const double right = pixels.extract_area(36, 4, 24, 40).avg();
    EXPECT_GT(right, left + 40.0) << "left " << left << ", right " << right;
}
