#pragma once

#include <vips/vips8>

/// The pixels behind a Bitmap: a libvips image, decoded lazily as it is
/// read. Internal to the image layer; shared by Bitmap and JpegDestination.
struct BitmapData {
    vips::VImage image;
};
