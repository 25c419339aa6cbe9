#pragma once

#include "core/Result.h"

#include <QByteArray>
#include <QVariantMap>

#include <exiv2/exiv2.hpp>

/// EXIF carried from an image source to a JPEG. Internal to the image layer;
/// any thread; never throws: EXIF that Exiv2 cannot read or write is a
/// failure with the library's words.
///
/// What travels is the file's descriptive metadata: IFD0's descriptive tags
/// (make, model, date, orientation, resolution, copyright, ...), the Exif,
/// Interoperability and GPS directories and the maker note, with every value
/// exactly as read. Left behind are the tags that describe the source's own
/// pixel layout (strips, tiles, bits per sample, compression, DNG colour
/// data), thumbnails and further images, and the blocks that a JPEG keeps in
/// segments of their own (XMP, IPTC, ICC profile).
class ExifBlock {
public:
    /// Largest EXIF (a TIFF structure) that fits one JPEG APP1 segment:
    /// 65535 minus the length field and the "Exif\0\0" header.
    static constexpr int kMaxJpegSize = 65527;

    struct Selection {
        bool tiff = false; ///< IFD0 tags
        bool exif = false; ///< Exif and Interoperability directories, maker note
        bool gps = false;  ///< GPS directory
    };

    /// The carried tags of `source`, encoded as a TIFF structure in the
    /// source's byte order; empty when nothing is carried. Adds the readable
    /// dictionaries "{TIFF}", "{Exif}", "{GPS}" and "Orientation" to
    /// `properties`.
    static Result<QByteArray> read(const Exiv2::ExifData& source, Exiv2::ByteOrder order,
                                   QVariantMap* properties);

    /// The EXIF for a JPEG of `width` × `height` pixels from a block made by
    /// read(): the selected parts only, PixelXDimension and PixelYDimension
    /// set to the JPEG's size, fitted into one segment. Empty when nothing is
    /// selected or nothing fits; a failure when the block does not parse.
    ///
    /// Fitting: Exiv2's encoder first drops preview images, unknown tags over
    /// 4 KB and known tags over 40 KB; then the maker note goes; then every
    /// tag over 4 KB. Make, model, dates, exposure and GPS are all small and
    /// stay.
    static Result<QByteArray> forJpeg(const QByteArray& block, Selection selection, int width,
                                      int height);
};
