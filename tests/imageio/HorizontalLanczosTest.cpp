#include "SampleImages.h"

#include "imageio/HorizontalLanczos_p.h"

#include <gtest/gtest.h>

namespace {
vips::VImage eightBit(const vips::VImage& samples, int bands)
{
    vips::VImage out = (samples * 255.0).cast(VIPS_FORMAT_UCHAR);
    if (bands == 1)
        return out.extract_band(1);
    if (bands == 4)
        return out.bandjoin(out.extract_band(0));
    return out;
}
} // namespace

TEST(HorizontalLanczos, agreesWithLibvipsLanczosOnWholeReductions)
{
    for (int bands : {1, 3, 4}) {
        const vips::VImage in = eightBit(SampleImages::scene(480, 24), bands).copy_memory();
        for (double factor : {2.0, 3.0, 4.0}) {
            const int width = int(480 / factor);
            const vips::VImage ours = HorizontalLanczos::resample(in, width).copy_memory();
            const vips::VImage theirs = in.reduceh(
                factor,
                vips::VImage::option()->set("kernel", VIPS_KERNEL_LANCZOS3)->set("gap", 0.0));
            ASSERT_EQ(ours.width(), width);
            ASSERT_EQ(ours.height(), 24);
            ASSERT_EQ(ours.bands(), bands);
            EXPECT_LE((ours.cast(VIPS_FORMAT_INT) - theirs.cast(VIPS_FORMAT_INT)).abs().max(), 1.0)
                << bands << " bands, factor " << factor;
        }
    }
}
