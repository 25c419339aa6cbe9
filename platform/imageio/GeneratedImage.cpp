#include "GeneratedImage_p.h"

vips::VImage GeneratedImage::make(const vips::VImage& in, int width, int height,
                                  VipsBandFormat format, VipsStartFn start, VipsGenerateFn generate,
                                  VipsStopFn stop, void* data)
{
    VipsImage* source = in.get_image();
    VipsImage* out = vips_image_new();
    if (vips_image_pipelinev(out, VIPS_DEMAND_STYLE_THINSTRIP, source, nullptr) != 0) {
        g_object_unref(out);
        throw vips::VError();
    }
    out->Xsize = width;
    out->Ysize = height;
    out->BandFmt = format;
    g_object_ref(source);
    vips_object_local(out, source);
    if (vips_image_generate(out, start, generate, stop, source, data) != 0) {
        g_object_unref(out);
        throw vips::VError();
    }
    return vips::VImage(out);
}
