#pragma once

#include <vips/vips8>

/// Pixels as an 8-bit drawing surface or a JPEG encoder wants them.
/// Internal to the image layer; lazy (nothing is computed until the result
/// is read); any thread. Throws vips::VError like the rest of libvips: the
/// public classes catch it.
class EightBitPixels {
public:
    /// 8 bits per sample. 16-bit samples v become round(v / 257), the
    /// nearest 8-bit level (a plain cast would clip and a shift would round
    /// down); other formats are clipped to 0..255.
    static vips::VImage convert(const vips::VImage& in);
    /// What a JPEG holds: 8-bit grey, RGB or CMYK; alpha flattened onto white.
    static vips::VImage forJpeg(const vips::VImage& in);
};
