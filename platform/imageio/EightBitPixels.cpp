#include "EightBitPixels_p.h"

#include <cstdint>
#include <vector>

namespace {
// round(v / 257) for every 16-bit v: one table lookup per sample, which
// libvips runs far faster than arithmetic in floating point.
const vips::VImage& sixteenToEightTable()
{
    static const vips::VImage table = [] {
        std::vector<uint8_t> levels(65536);
        for (size_t v = 0; v < levels.size(); ++v)
            levels[v] = static_cast<uint8_t>((v + 128) / 257);
        VipsImage* image = vips_image_new_from_memory_copy(levels.data(), levels.size(), 65536, 1,
                                                           1, VIPS_FORMAT_UCHAR);
        if (!image)
            throw vips::VError();
        return vips::VImage(image);
    }();
    return table;
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
        out = in.maplut(sixteenToEightTable());
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
