#include "Resampler_p.h"

#include "BoxShrink_p.h"
#include "EightBitPixels_p.h"
#include "HorizontalLanczos_p.h"

#include <algorithm>

namespace {
// The least reduction left to Lanczos after the box step: enough for its
// kernel to smooth away what block averaging lets through.
constexpr double kLanczosShare = 1.5;
} // namespace

int Resampler::boxFactor(int from, int to)
{
    if (from < 1 || to < 1)
        return 1;
    return std::max(1, static_cast<int>(double(from) / to / kLanczosShare));
}

vips::VImage Resampler::resize(const vips::VImage& source, int width, int height)
{
    vips::VImage image = source;
    const int boxHigh = boxFactor(image.height(), height);
    const int boxWide = boxFactor(image.width(), width);
    const bool boxes = boxHigh > 1 || boxWide > 1;
    // Other depths become 8-bit before the blocks are averaged; 8- and
    // 16-bit samples are averaged and rounded in the same pass.
    const bool averagedAsTheyAre =
        image.format() == VIPS_FORMAT_UCHAR || image.format() == VIPS_FORMAT_USHORT;
    if (!boxes || !averagedAsTheyAre)
        image = EightBitPixels::convert(image);
    if (boxes)
        image = EightBitPixels::convert(BoxShrink::shrink(image, boxWide, boxHigh));
    // Rows with libvips (vectorised vertically), then columns with our own
    // vectorised pass, both on 8-bit samples.
    if (height != image.height())
        image = image.resize(1.0, vips::VImage::option()
                                      ->set("vscale", double(height) / image.height())
                                      ->set("kernel", VIPS_KERNEL_LANCZOS3));
    if (width != image.width())
        image = HorizontalLanczos::resample(image, width);
    return image;
}
