#pragma once

#include <vips/vips8>

/// A libvips image computed strip by strip from one input image by
/// functions of ours (libvips' start / generate / stop protocol), for the
/// pixel work libvips does not do fast enough. Internal to the image layer;
/// the result holds a reference to its input; throws vips::VError.
class GeneratedImage {
public:
    /// The output has the input's header but `width`, `height` and `format`;
    /// `data` is handed to the functions as their second argument, the input
    /// image as their first.
    static vips::VImage make(const vips::VImage& in, int width, int height, VipsBandFormat format,
                             VipsStartFn start, VipsGenerateFn generate, VipsStopFn stop,
                             void* data);
};
