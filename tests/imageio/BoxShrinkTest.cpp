#include "imageio/BoxShrink_p.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {
struct Case {
    VipsBandFormat format;
    int factorWide, factorHigh;
};

// Every output sample against the block's exact mean on the 8-bit scale.
// Only a mean within a hair of a tie between two levels may round either way.
template <typename Sample> void expectExactMeans(const Case& c)
{
    constexpr int kWidth = 37, kHeight = 23, kBands = 3;
    const double maximum = sizeof(Sample) == 2 ? 65535.0 : 255.0;
    std::mt19937 random(7);
    std::vector<Sample> pixels(size_t(kWidth * kHeight * kBands));
    for (Sample& sample : pixels)
        sample = Sample(random() % (uint32_t(maximum) + 1));
    const vips::VImage in = vips::VImage::new_from_memory(
        pixels.data(), pixels.size() * sizeof(Sample), kWidth, kHeight, kBands, c.format);

    const vips::VImage out = BoxShrink::shrink(in, c.factorWide, c.factorHigh).copy_memory();
    const int width = (kWidth + c.factorWide - 1) / c.factorWide;
    const int height = (kHeight + c.factorHigh - 1) / c.factorHigh;
    ASSERT_EQ(out.width(), width);
    ASSERT_EQ(out.height(), height);
    ASSERT_EQ(out.format(), VIPS_FORMAT_UCHAR);
    const auto* shrunk = static_cast<const uint8_t*>(out.data());
    int wrong = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int band = 0; band < kBands; ++band) {
                double sum = 0;
                int count = 0;
                for (int v = y * c.factorHigh; v < std::min(kHeight, (y + 1) * c.factorHigh); ++v)
                    for (int u = x * c.factorWide; u < std::min(kWidth, (x + 1) * c.factorWide);
                         ++u, ++count)
                        sum += pixels[size_t((v * kWidth + u) * kBands + band)];
                const double level = sum / count / maximum * 255.0;
                const int got = shrunk[(y * width + x) * kBands + band];
                const bool nearTie = std::fabs(level - std::floor(level) - 0.5) < 1e-4;
                wrong += nearTie ? std::abs(got - level) > 0.5001 : got != std::lround(level);
            }
    EXPECT_EQ(wrong, 0);
}
} // namespace

TEST(BoxShrink, everyBlockBecomesItsMeanRoundedToEightBitsEdgeBlocksIncluded)
{
    // 37 x 23 leaves cut blocks at the right and bottom for every factor but 1.
    const Case cases[] = {
        {VIPS_FORMAT_USHORT, 2, 2}, {VIPS_FORMAT_USHORT, 3, 5}, {VIPS_FORMAT_USHORT, 1, 4},
        {VIPS_FORMAT_UCHAR, 2, 2},  {VIPS_FORMAT_UCHAR, 4, 3},  {VIPS_FORMAT_UCHAR, 6, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.format == VIPS_FORMAT_USHORT ? "16" : "8") << "-bit, "
                                        << c.factorWide << " x " << c.factorHigh);
        if (c.format == VIPS_FORMAT_USHORT)
            expectExactMeans<uint16_t>(c);
        else
            expectExactMeans<uint8_t>(c);
    }
}

TEST(BoxShrink, refusesFormatsAndFactorsItCannotAverage)
{
    const vips::VImage floats = vips::VImage::black(8, 8).cast(VIPS_FORMAT_FLOAT);
    EXPECT_THROW(BoxShrink::shrink(floats, 2, 2), vips::VError);
    const vips::VImage bytes = vips::VImage::black(8, 8).cast(VIPS_FORMAT_UCHAR);
    EXPECT_THROW(BoxShrink::shrink(bytes, 0, 2), vips::VError);
}
