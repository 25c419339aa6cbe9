#pragma once

#include "ImageType_p.h"

#include "core/Result.h"

#include <QSize>
#include <QString>

#include <vips/vips8>

/// Camera RAW and DNG through LibRaw (thread-safe build; each call has a
/// decoder of its own, so any thread may call at any time). Internal to the
/// image layer. Pixels come out as 16-bit RGB in the camera's stored
/// orientation (the Orientation tag stays in the metadata, as for every other
/// format), white-balanced as shot, at the sensor's own brightness (no
/// automatic brightening, as an unadjusted master renders in a photo
/// library). Failures carry the file and LibRaw's words.
class RawDecoder {
public:
    static bool recognises(const ImageInput& input);
    /// Width and height of the decoded image, without decoding it.
    static Result<QSize> probe(const ImageInput& input);
    /// Decodes the whole image into memory the image owns: at full size, or
    /// with `halfSize` at half the width and height (each 2 × 2 block of the
    /// mosaic becomes one pixel, no interpolation: about six times faster).
    /// The processed pixels are handed on in the decoder's own buffer, never
    /// copied.
    static Result<vips::VImage> decode(const ImageInput& input, bool halfSize);
};
