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

TEST(HorizontalLanczos, givesExactlyTheWidthAndKeepsFlatAreasFlat)
{
    const struct {
        int from, to;
    } cases[] = {{301, 150}, {3001, 1501}, {600, 192}, {100, 250},
                 {40, 41},   {5, 2},       {3, 1},     {1, 4}};
    for (const auto& c : cases) {
        const vips::VImage flat = (vips::VImage::black(c.from, 3) + 77).cast(VIPS_FORMAT_UCHAR);
        const vips::VImage out = HorizontalLanczos::resample(flat, c.to).copy_memory();
        EXPECT_EQ(out.width(), c.to) << c.from << " -> " << c.to;
        EXPECT_EQ(out.height(), 3);
        EXPECT_EQ(out.min(), 77.0) << c.from << " -> " << c.to;
        EXPECT_EQ(out.max(), 77.0) << c.from << " -> " << c.to;
    }
}

TEST(HorizontalLanczos, keepsTheMeanOfASceneAndClipsOvershoot)
{
    const vips::VImage scene = eightBit(SampleImages::scene(600, 40), 3).copy_memory();
    const vips::VImage out = HorizontalLanczos::resample(scene, 192).copy_memory();
    EXPECT_NEAR(out.avg(), scene.avg(), 0.3);

    // A hard black-to-white edge rings; the ringing is clipped, not wrapped.
    const vips::VImage edge =
        (vips::VImage::xyz(64, 2)[0] >= 32).ifthenelse(255, 0).cast(VIPS_FORMAT_UCHAR);
    const vips::VImage sharp = HorizontalLanczos::resample(edge, 150).copy_memory();
    EXPECT_EQ(sharp.min(), 0.0);
    EXPECT_EQ(sharp.max(), 255.0);
    EXPECT_LT(sharp.extract_area(0, 0, 60, 2).max(), 20.0);
    EXPECT_GT(sharp.extract_area(90, 0, 60, 2).min(), 235.0);
}

TEST(HorizontalLanczos, takesOnlyEightBitPixels)
{
    const vips::VImage wide = vips::VImage::black(16, 2).cast(VIPS_FORMAT_USHORT);
    EXPECT_THROW(HorizontalLanczos::resample(wide, 8), vips::VError);
    EXPECT_THROW(HorizontalLanczos::resample(wide.cast(VIPS_FORMAT_UCHAR), 0), vips::VError);
}
