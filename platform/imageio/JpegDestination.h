#pragma once

#include "Bitmap.h"

#include <QByteArray>
#include <QString>
#include <QVariantMap>

/// Encodes one image as a JPEG into memory, with the metadata of a property
/// dictionary (the counterpart of an ImageIO image destination of type
/// "public.jpeg" for one image).
///
/// addImage() takes the pixels and the options; finalize() does the work:
/// the pixels stream from their source through the encoder (libjpeg-turbo via
/// libvips, standard Huffman tables, restart markers), so a damaged source
/// file makes finalize() fail; then HuffmanRecoder rewrites the codes with
/// tables made for the image's own symbols. Samples become 8 bits (16-bit
/// v → round(v / 257)); alpha is flattened onto white. Chroma is subsampled
/// 2 × 2 below encoder quality 90 and kept whole from 90 up.
///
/// Options are a property dictionary as ImageSource gives it, plus
/// LossyCompressionQuality. What is written:
/// - EXIF from "ExifData": IFD0 tags when "{TIFF}" is present, the Exif
///   directory and maker note when "{Exif}" is, the GPS directory when
///   "{GPS}" is; PixelXDimension and PixelYDimension set to the JPEG's size.
///   EXIF larger than one segment sheds, in order, previews and oversized
///   tags, the maker note, every tag over 4 KB.
/// - XMP from "XMPData", byte for byte when it fits one segment, else as
///   extended XMP (nothing lost).
/// - The ICC profile from "ICCProfile", byte for byte, in as many segments as
///   it needs.
/// - IPTC from the "{IPTC}" dictionary; a caller who wants none removes it.
///
/// Any thread, after ImageIO::initialize(); one object per image, not shared.
/// Failure: finalize() returns false, data() stays empty and errorString()
/// says why; nothing throws.
class JpegDestination {
public:
    /// Quality 0.0 (smallest) to 1.0 (best): any number, mapped onto the
    /// encoder's 1–100 scale as round(q × 100), clipped. Absent or not a
    /// number: the encoder's default, 75.
    static inline const QString LossyCompressionQuality =
        QStringLiteral("kCGImageDestinationLossyCompressionQuality");

    static int encoderQuality(const QVariant& lossyQuality);

    /// The MCUs between restart markers for an image of `bands` samples per
    /// pixel at encoder quality `quality`: about a sixteenth of the image,
    /// as many as a marker allows at most.
    static int restartInterval(int width, int height, int bands, int quality);

    /// The one image; false when an image was already added or `bitmap` is invalid.
    bool addImage(const Bitmap& bitmap, const QVariantMap& options);
    bool finalize();

    QByteArray data() const { return m_data; }
    QString errorString() const { return m_error; }

private:
    bool fail(const QString& error);

    Bitmap m_bitmap;
    QVariantMap m_options;
    bool m_added = false;
    bool m_finalized = false;
    QByteArray m_data;
    QString m_error;
};
