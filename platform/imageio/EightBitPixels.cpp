#include "EightBitPixels_p.h"

#include "GeneratedImage_p.h"

#include <cstdint>
#include <vector>

namespace {
// round(v / 257) = floor((v + 128) / 257) for every 16-bit v, the division
// done as a multiplication: 65281 / 2^24 exceeds 1 / 257 by a factor of
// 1 + 2^-24, too little to change the floor of any (v + 128) / 257, and
// (65535 + 128) * 65281 still fits 32 bits. Cheaper than a 64K lookup table
// or libvips' float arithmetic.
uint8_t nearestLevel(uint16_t v)
{
    return static_cast<uint8_t>(((uint32_t(v) + 128u) * 65281u) >> 24);
}

// Blocks of a constant 16 samples, which the compiler vectorises even at
// -O2, then the rest one by one.
void roundRow(const uint16_t* __restrict p, uint8_t* __restrict q, int samples)
{
    constexpr int kBlock = 16;
    int i = 0;
    for (; i + kBlock <= samples; i += kBlock)
        for (int k = 0; k < kBlock; ++k)
            q[i + k] = nearestLevel(p[i + k]);
    for (; i < samples; ++i)
        q[i] = nearestLevel(p[i]);
}

int roundToEightBits(VipsRegion* out, void* sequence, void*, void*, gboolean*)
{
    auto* in = static_cast<VipsRegion*>(sequence);
    const VipsRect area = out->valid;
    if (vips_region_prepare(in, &area))
        return -1;
    const int samples = area.width * out->im->Bands;
    for (int y = 0; y < area.height; ++y)
        roundRow(reinterpret_cast<const uint16_t*>(VIPS_REGION_ADDR(in, area.left, area.top + y)),
                 reinterpret_cast<uint8_t*>(VIPS_REGION_ADDR(out, area.left, area.top + y)),
                 samples);
    return 0;
}

vips::VImage sixteenToEight(const vips::VImage& in)
{
    return GeneratedImage::make(in, in.width(), in.height(), VIPS_FORMAT_UCHAR, vips_start_one,
                                roundToEightBits, vips_stop_one, nullptr);
}

bool isCmyk(const vips::VImage& image)
{
    return image.interpretation() == VIPS_INTERPRETATION_CMYK;
}
} // namespace

vips::VImage EightBitPixels::convert(const vips::VImage& in)
{
    vips::VImage out;
    switch (in.format()) {
    case VIPS_FORMAT_UCHAR:
        out = in;
        break;
    case VIPS_FORMAT_USHORT:
        out = sixteenToEight(in);
        break;
    default:
        out = in.cast(VIPS_FORMAT_UCHAR);
        break;
    }
    VipsInterpretation interpretation = VIPS_INTERPRETATION_sRGB;
    if (isCmyk(in))
        interpretation = VIPS_INTERPRETATION_CMYK;
    else if (in.bands() < 3)
        interpretation = VIPS_INTERPRETATION_B_W;
    return out.copy(vips::VImage::option()->set("interpretation", interpretation));
}

vips::VImage EightBitPixels::forJpeg(const vips::VImage& in)
{
    vips::VImage out = convert(in);
    if (out.has_alpha())
        out = out.flatten(vips::VImage::option()->set("background", std::vector<double>{255.0}))
                  .cast(VIPS_FORMAT_UCHAR);
    const int colourBands = isCmyk(out) ? 4 : (out.bands() >= 3 ? 3 : 1);
    if (out.bands() > colourBands)
        out = out.extract_band(0, vips::VImage::option()->set("n", colourBands));
    return out;
}
