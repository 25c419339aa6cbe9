#pragma once

#include <vips/vips8>

/// Averages whole blocks of pixels into one and rounds the result to 8 bits,
/// in one pass over the source: the cheap first step of a large reduction
/// (Resampler). Reads 8- or 16-bit samples; a block cut by the right or
/// bottom edge averages the pixels it has. Internal to the image layer; lazy;
/// any thread; throws vips::VError.
class BoxShrink {
public:
    /// `in` reduced to ceil(width / factorWide) × ceil(height / factorHigh)
    /// 8-bit pixels with the same bands and interpretation.
    static vips::VImage shrink(const vips::VImage& in, int factorWide, int factorHigh);
};
