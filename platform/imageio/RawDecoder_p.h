#pragma once

#include "ImageType_p.h"

#include <QString>

#include <vips/vips8>

/// Camera RAW and DNG through LibRaw (thread-safe build; each call has a
/// decoder of its own, so any thread may call at any time). Internal to the
/// image layer. Pixels come out as 16-bit RGB in the camera's stored
/// orientation (the Orientation tag stays in the metadata, as for every other
/// format), white-balanced as shot, at the sensor's own brightness (no
/// automatic brightening, as an unadjusted master renders in a photo
/// library). Failures return false with LibRaw's words.
class RawDecoder {
public:
    static bool recognises(const ImageInput& input);
    /// Width and height of the decoded image, without decoding it.
    static bool probe(const ImageInput& input, int* width, int* height, QString* error);
    /// Decodes the whole image into memory owned by `out`: at full size, or
    /// with `halfSize` at half the width and height (each 2 × 2 block of the
    /// mosaic becomes one pixel, no interpolation: about six times faster).
    /// The processed pixels are handed on in the decoder's own buffer, never
    /// copied.
    static bool decode(const ImageInput& input, bool halfSize, vips::VImage* out, QString* error);
};
