#pragma once

#include <vips/vips8>

/// A libvips image computed strip by strip from one input image by
/// functions of ours (libvips' start / generate / stop protocol), for the
/// pixel work libvips does not do fast enough. Internal to the image layer;
/// the result holds a reference to its input; throws vips::VError.
class GeneratedImage {
public:
    /// The per-thread state of most generate functions: a region on the
    /// input image and scratch space of their own. Its start and stop go to
    /// make() as they are.
    template <typename Scratch> struct Sequence {
        VipsRegion* in = nullptr;
        Scratch scratch;

        static void* start(VipsImage*, void* input, void*)
        {
            auto* sequence = new Sequence;
            sequence->in = vips_region_new(static_cast<VipsImage*>(input));
            return sequence;
        }
        static int stop(void* data, void*, void*)
        {
            auto* sequence = static_cast<Sequence*>(data);
            g_object_unref(sequence->in);
            delete sequence;
            return 0;
        }
    };

    /// The output has the input's header but `width`, `height` and `format`;
    /// `data` is handed to the functions as their second argument, the input
    /// image as their first.
    static vips::VImage make(const vips::VImage& in, int width, int height, VipsBandFormat format,
                             VipsStartFn start, VipsGenerateFn generate, VipsStopFn stop,
                             void* data);
};
