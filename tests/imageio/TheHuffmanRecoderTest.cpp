#include "JpegStructure.h"
#include "SampleImages.h"

#include "imageio/HuffmanRecoder_p.h"

#include <gtest/gtest.h>

#include <string>

namespace {
struct Case {
    const char* name;
    int width, height, bands, quality, restartInterval;
};

vips::VImage pixels(const Case& c)
{
    vips::VImage scene = (SampleImages::scene(c.width, c.height) * 255.0).cast(VIPS_FORMAT_UCHAR);
    if (c.bands == 1)
        return scene.extract_band(0).copy(
            vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_B_W));
    if (c.bands == 4)
        return scene.bandjoin(scene.extract_band(1))
            .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_CMYK));
    return scene.copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

QByteArray bytesOf(VipsBlob* blob)
{
    size_t length = 0;
    const void* bytes = vips_blob_get(blob, &length);
    const QByteArray data(static_cast<const char*>(bytes), qsizetype(length));
    vips_area_unref(VIPS_AREA(blob));
    return data;
}

QByteArray libjpeg(const vips::VImage& image, const Case& c, bool optimise)
{
    return bytesOf(image.jpegsave_buffer(vips::VImage::option()
                                             ->set("Q", c.quality)
                                             ->set("strip", true)
                                             ->set("optimize_coding", optimise)
                                             ->set("restart_interval", c.restartInterval)));
}

// The scan header and everything after it.
QByteArray fromScan(const QByteArray& jpeg)
{
    bool ok = false;
    qsizetype offset = 2;
    for (const JpegStructure::Segment& segment : JpegStructure::segments(jpeg, &ok))
        offset += 4 + segment.payload.size();
    return ok ? jpeg.mid(offset) : QByteArray();
}

class TheHuffmanRecoder : public ::testing::TestWithParam<Case> {};
} // namespace

// libjpeg's own optimised tables are the reference: made from the same
// counts by the same rule, they must code every symbol alike.
TEST_P(TheHuffmanRecoder, writesTheScanLibjpegWritesWithOptimisedTablesAndTheSamePixels)
{
    const Case& c = GetParam();
    const vips::VImage image = pixels(c);
    const QByteArray standard = libjpeg(image, c, false);
    const QByteArray optimised = libjpeg(image, c, true);

    for (int threads : {1, 3}) {
        const Result<QByteArray> recoded = HuffmanRecoder::recode(standard, threads);
        ASSERT_TRUE(recoded.ok()) << qPrintable(recoded.error());
        const QByteArray scan = fromScan(*recoded);
        ASSERT_FALSE(scan.isEmpty());
        EXPECT_EQ(scan, fromScan(optimised)) << threads << " threads";
        EXPECT_LT(recoded->size(), standard.size());
        const vips::VImage difference = SampleImages::decode(*recoded).cast(VIPS_FORMAT_INT) -
                                        SampleImages::decode(standard).cast(VIPS_FORMAT_INT);
        EXPECT_EQ(difference.abs().max(), 0.0) << threads << " threads";
    }
}

INSTANTIATE_TEST_SUITE_P(
    , TheHuffmanRecoder,
    ::testing::Values(Case{"colourAtQuality80InSixteenIntervals", 320, 240, 3, 80, 19},
                      Case{"colourAtQuality95WithFullChroma", 203, 151, 3, 95, 37},
                      Case{"colourAtQuality30WithOneInterval", 203, 151, 3, 30, 0},
                      Case{"colourWithARestartAfterEveryMcu", 37, 23, 3, 80, 1},
                      Case{"greyWithAnUnevenLastInterval", 203, 151, 1, 80, 100},
                      Case{"cmykAtQuality70", 64, 48, 4, 70, 7}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST_F(TheHuffmanRecoder, refusesStreamsItCannotRecodeWholly)
{
    const Case c{"", 64, 48, 3, 80, 4};
    const QByteArray standard = libjpeg(pixels(c), c, false);
    ASSERT_TRUE(HuffmanRecoder::recode(standard, 2).ok());

    const QByteArray progressive =
        bytesOf(pixels(c).jpegsave_buffer(vips::VImage::option()->set("interlace", true)));
    EXPECT_FALSE(HuffmanRecoder::recode(progressive, 2).ok()) << "progressive";

    EXPECT_FALSE(HuffmanRecoder::recode(standard.left(standard.size() - 2), 2).ok())
        << "no end of image";
    EXPECT_FALSE(HuffmanRecoder::recode(standard.left(standard.size() / 2), 2).ok())
        << "cut in the middle of the scan";
    EXPECT_FALSE(HuffmanRecoder::recode(QByteArray("not a JPEG at all"), 2).ok()) << "garbage";
    // A restart interval one MCU longer than the data was cut into.
    QByteArray wrongInterval = standard;
    const qsizetype dri = wrongInterval.indexOf("\xff\xdd");
    ASSERT_GT(dri, 0);
    wrongInterval[dri + 5] = char(wrongInterval[dri + 5] + 1);
    EXPECT_FALSE(HuffmanRecoder::recode(wrongInterval, 2).ok()) << "interval length";
}
