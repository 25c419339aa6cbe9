#pragma once

#include "ImageType_p.h"

#include <vips/vips8>

/// Opens TIFF, JPEG and PNG pixels with libvips for one sequential read,
/// failing on decoding errors rather than filling in grey; an uncompressed
/// TIFF whose rows lie in one run is read straight from the file instead
/// (UncompressedTiff), by every thread at once. Reads the header only; the
/// pixels stream when the image is read. Internal to the image layer; any
/// thread; throws vips::VError.
class PixelLoader {
public:
    static vips::VImage open(const ImageInput& input, ImageFormat format);
    static int bitsPerSample(VipsBandFormat format);
};
