#include "SampleImages.h"

#include "imageio/Resampler_p.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(Resampler, largeReductionsStayAbove40DbAgainstSixteenBitLanczos)
{
    const vips::VImage source =
        (SampleImages::scene(1800, 1200) * 65535.0).cast(VIPS_FORMAT_USHORT).copy_memory();
    const struct {
        int width, height;
    } cases[] = {
        {576, 384},  // by 3.125, as 6000 x 4000 to a long side of 1920
        {450, 300},  // by 4
        {300, 200},  // by 6
        {1200, 240}, // by 1.5 across, 5 down
    };
    for (const auto& c : cases) {
        const int boxWide = Resampler::boxFactor(1800, c.width);
        const int boxHigh = Resampler::boxFactor(1200, c.height);
        EXPECT_GT(std::max(boxWide, boxHigh), 1) << c.width << " x " << c.height;
        const vips::VImage ours = Resampler::resize(source, c.width, c.height).copy_memory();
        ASSERT_EQ(ours.width(), c.width);
        ASSERT_EQ(ours.height(), c.height);
        ASSERT_EQ(ours.format(), VIPS_FORMAT_UCHAR);
        const vips::VImage reference =
            source.cast(VIPS_FORMAT_FLOAT)
                .resize(double(c.width) / 1800, vips::VImage::option()
                                                    ->set("vscale", double(c.height) / 1200)
                                                    ->set("kernel", VIPS_KERNEL_LANCZOS3)
                                                    ->set("gap", 0.0)) /
            257.0;
        EXPECT_GT(SampleImages::psnr(ours, reference), 40.0) << c.width << " x " << c.height;
    }
}
