#pragma once

#include <QByteArray>

#include <vips/vips8>

#include <optional>

/// Reads the pixels of an uncompressed TIFF straight from the file when they
/// lie in it as one unbroken run of rows: every libvips thread reads its own
/// rows at once, with one positioned read into its buffer, where libvips'
/// TIFF loader hands out one strip at a time through libtiff's buffer.
/// Exports from the library are laid out this way. Anything else
/// (compressed, tiled, separate planes, the other byte order for 16 bits,
/// signed or floating samples, strips with gaps, an orientation other than
/// the default) is left to that loader. The image has the header libvips'
/// loader gives the same file: size, bands, format, interpretation,
/// resolution.
///
/// Internal to the image layer (PixelLoader); any thread. A file that turns
/// out shorter than its rows when they are read fails the read, as a
/// damaged file does in libvips' loader.
class UncompressedTiff {
public:
    /// The first image of the TIFF at `path` (in the file system's
    /// encoding), or nothing when it is not laid out as above. Throws
    /// vips::VError when the file does not open.
    static std::optional<vips::VImage> open(const QByteArray& path);
};
