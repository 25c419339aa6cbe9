#include "imageio/EightBitPixels_p.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numeric>
#include <vector>

TEST(EightBitPixels, everySixteenBitValueRoundsToTheNearestLevel)
{
    std::vector<uint16_t> ramp(65536);
    std::iota(ramp.begin(), ramp.end(), 0);
    const vips::VImage in = vips::VImage::new_from_memory(
        ramp.data(), ramp.size() * sizeof(uint16_t), 256, 256, 1, VIPS_FORMAT_USHORT);

    const vips::VImage out = EightBitPixels::convert(in);
    ASSERT_EQ(out.format(), VIPS_FORMAT_UCHAR);
    size_t length = 0;
    auto* levels = static_cast<uint8_t*>(out.write_to_memory(&length));
    ASSERT_EQ(length, ramp.size());
    int wrong = 0;
    for (size_t v = 0; v < ramp.size(); ++v)
        wrong += levels[v] != std::lround(double(v) / 257.0);
    g_free(levels);
    EXPECT_EQ(wrong, 0);
}

TEST(EightBitPixels, jpegPixelsLoseAlphaOntoWhite)
{
    // Half-transparent black over white gives mid grey.
    const vips::VImage rgba = vips::VImage::black(4, 4, vips::VImage::option()->set("bands", 4)) +
                              std::vector<double>{0, 0, 0, 128};
    const vips::VImage out = EightBitPixels::forJpeg(
        rgba.cast(VIPS_FORMAT_UCHAR)
            .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB)));
    EXPECT_EQ(out.bands(), 3);
    EXPECT_EQ(out.format(), VIPS_FORMAT_UCHAR);
    EXPECT_NEAR(out.avg(), 127.0, 1.0);
}
