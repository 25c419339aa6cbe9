#pragma once

#include <QByteArray>

#include <vips/vips8>

#include <optional>

/// Opens the pixels of an uncompressed TIFF where they lie in the file,
/// mapped into memory, when they form one unbroken run of rows: then every
/// libvips thread reads its own rows at once and nothing is copied, where
/// libvips' TIFF loader hands out one strip at a time through libtiff's
/// buffer. Exports from the library are laid out this way. Anything else
/// (compressed, tiled, separate planes, the other byte order for 16 bits,
/// signed or floating samples, strips with gaps, an orientation other than
/// the default) is left to that loader. The image has the header libvips'
/// loader gives the same file: size, bands, format, interpretation,
/// resolution.
///
/// Internal to the image layer (PixelLoader); any thread. The file must not
/// shrink while the image is read: PixelLoader opens only the renderer's
/// own exports this way.
class MappedTiff {
public:
    /// The first image of the TIFF at `path` (in the file system's
    /// encoding), or nothing when it is not laid out as above. Throws
    /// vips::VError when mapping fails.
    static std::optional<vips::VImage> open(const QByteArray& path);
};
