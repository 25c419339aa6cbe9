#pragma once

#include <vips/vips8>

/// Resamples the width of an 8-bit image with a Lanczos kernel of 3 lobes,
/// to exactly the width asked, leaving the height alone. Internal to the
/// image layer; lazy like any libvips image; any thread; throws
/// vips::VError.
///
/// libvips' own horizontal reduction runs one scalar multiply per tap, band
/// and pixel; here each row is split into planes and every output sample is
/// a dot product over a tap count padded to a multiple of 8, which the
/// compiler turns into vector multiply-adds: about a third less CPU for the
/// whole redraw of a 24-megapixel image. Output pixel x is centred on input
/// position (x + 0.5) · W / w − 0.5; taps past the edges fall on the edge
/// pixels; weights are 14-bit fixed point summing to exactly 1.
class HorizontalLanczos {
public:
    static vips::VImage resample(const vips::VImage& in, int width);
};
