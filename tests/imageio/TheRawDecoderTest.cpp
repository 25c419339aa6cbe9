#include "SampleImages.h"
#include "TestEnvironment.h"

#include "imageio/RawDecoder_p.h"
#include "imageio/Resampler_p.h"

#include <QFile>

#include <gtest/gtest.h>
#include <libraw/libraw.h>

#include <memory>

namespace {
vips::VImage decoded(const QString& path, bool halfSize)
{
    const Result<vips::VImage> image = RawDecoder::decode(ImageInput{path, {}, false}, halfSize);
    EXPECT_TRUE(image) << image.error().toStdString();
    return image ? image->copy_memory() : vips::VImage();
}

// LibRaw's own rendering into a memory bitmap, with the decoder's settings
// and automatic brightening off.
vips::VImage libRawRendering(const QString& path, bool halfSize)
{
    auto raw = std::make_unique<LibRaw>();
    raw->imgdata.params.user_flip = 0;
    raw->imgdata.params.output_bps = 16;
    raw->imgdata.params.use_camera_wb = 1;
    raw->imgdata.params.no_auto_bright = 1;
    raw->imgdata.params.half_size = halfSize ? 1 : 0;
    int code = raw->open_file(QFile::encodeName(path).constData());
    if (code == LIBRAW_SUCCESS)
        code = raw->unpack();
    if (code == LIBRAW_SUCCESS)
        code = raw->dcraw_process();
    libraw_processed_image_t* image =
        code == LIBRAW_SUCCESS ? raw->dcraw_make_mem_image(&code) : nullptr;
    if (!image)
        return vips::VImage::black(1, 1);
    // A copy of its own: copy_memory() of an image wrapping memory would
    // only wrap the bitmap freed below.
    const vips::VImage pixels(vips_image_new_from_memory_copy(image->data, image->data_size,
                                                              image->width, image->height,
                                                              image->colors, VIPS_FORMAT_USHORT));
    LibRaw::dcraw_clear_mem(image);
    return pixels;
}

class TheRawDecoder : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_path = TestEnvironment::makeScratchDir("raw") + "/scene.dng";
        ASSERT_TRUE(SampleImages::writeDng(m_path, SampleImages::scene(1200, 800)));
    }
    QString m_path;
};
} // namespace

TEST_F(TheRawDecoder, halfSizeDecodeMatchesTheFullDecodeScaledDown)
{
    const vips::VImage full = decoded(m_path, false);
    const vips::VImage half = decoded(m_path, true);
    ASSERT_EQ(full.width(), 1200);
    ASSERT_EQ(full.height(), 800);
    ASSERT_EQ(half.width(), 600);
    ASSERT_EQ(half.height(), 400);
    for (const int width : {600, 300}) {
        const int height = width * 2 / 3;
        const vips::VImage fromHalf = Resampler::resize(half, width, height);
        const vips::VImage fromFull = Resampler::resize(full, width, height);
        EXPECT_GT(SampleImages::psnr(fromHalf, fromFull), 40.0) << width << " x " << height;
    }
}

TEST_F(TheRawDecoder, givesLibRawsOwnRenderingWithoutAutomaticBrighteningAtBothSizes)
{
    for (const bool halfSize : {false, true}) {
        const vips::VImage ours = decoded(m_path, halfSize);
        const vips::VImage theirs = libRawRendering(m_path, halfSize);
        ASSERT_EQ(ours.width(), theirs.width()) << "half size " << halfSize;
        ASSERT_EQ(ours.height(), theirs.height()) << "half size " << halfSize;
        ASSERT_EQ(ours.bands(), 3);
        // At half size red and blue are moved to the centres of their
        // blocks; green is as LibRaw gives it, and every band keeps its level.
        // (LibRaw's own corner pixels vary from run to run: left out.)
        const int w = ours.width() - 4, h = ours.height() - 4;
        const vips::VImage compared = (halfSize ? ours[1] : ours).extract_area(2, 2, w, h);
        const vips::VImage reference = (halfSize ? theirs[1] : theirs).extract_area(2, 2, w, h);
        EXPECT_EQ((compared.cast(VIPS_FORMAT_INT) - reference.cast(VIPS_FORMAT_INT)).abs().max(),
                  0.0)
            << "half size " << halfSize;
        for (int band = 0; band < 3; ++band)
            EXPECT_NEAR(ours[band].avg(), theirs[band].avg(), theirs[band].avg() * 0.002)
                << "half size " << halfSize << ", band " << band;
    }
}
