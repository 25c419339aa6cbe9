#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantMap>

struct ImageInput;

/// An image file or in-memory image opened for its type and the properties
/// of its image 0, under ImageIO's key names.
///
/// Opening reads the header and the metadata only (metadata through Exiv2,
/// pixel size through libvips or, for RAW, LibRaw); no pixels are decoded.
/// The properties are read once, at opening, and the source keeps no file
/// open afterwards.
///
/// Properties of image 0:
/// - "PixelWidth", "PixelHeight" (int), "Depth" (bits per sample), "ColorModel"
///   ("RGB", "Gray", "CMYK"), "HasAlpha" (bool), "Orientation" (int, when tagged);
/// - "{TIFF}", "{Exif}", "{GPS}", "{IPTC}": dictionaries keyed by Exiv2's tag
///   and dataset names ("Make", "ExposureTime", "GPSLatitude", "Keywords"):
///   text, numbers (rationals as double, several values as a list) or bytes;
/// - "ExifData": the EXIF that travels with the image (see JpegDestination),
///   as a TIFF structure with every value as read; "XMPData": the XMP packet
///   and "ICCProfile": the ICC profile, both byte for byte as in the file.
///
/// Any thread, after ImageIO::initialize(). Failure (no file, unreadable, not
/// an image format of this layer) gives isValid() false, count() 0, empty
/// properties and errorString(); nothing throws.
class ImageSource {
public:
    static inline const QString PixelWidth = QStringLiteral("PixelWidth");
    static inline const QString PixelHeight = QStringLiteral("PixelHeight");
    static inline const QString Depth = QStringLiteral("Depth");
    static inline const QString ColorModel = QStringLiteral("ColorModel");
    static inline const QString HasAlpha = QStringLiteral("HasAlpha");
    static inline const QString Orientation = QStringLiteral("Orientation");
    static inline const QString TiffDictionary = QStringLiteral("{TIFF}");
    static inline const QString ExifDictionary = QStringLiteral("{Exif}");
    static inline const QString GpsDictionary = QStringLiteral("{GPS}");
    static inline const QString IptcDictionary = QStringLiteral("{IPTC}");
    static inline const QString ExifData = QStringLiteral("ExifData");
    static inline const QString XmpData = QStringLiteral("XMPData");
    static inline const QString IccProfile = QStringLiteral("ICCProfile");

    static ImageSource fromFile(const QString& path);
    /// The bytes are copied; the source does not depend on the caller's buffer.
    static ImageSource fromData(const QByteArray& bytes);

    bool isValid() const { return !m_type.isEmpty(); }
    QString errorString() const { return m_error; }

    /// "public.jpeg", "public.png", "public.tiff", "com.adobe.raw-image" (DNG)
    /// or "public.camera-raw-image"; empty when invalid.
    QString typeIdentifier() const { return m_type; }
    int count() const { return isValid() ? 1 : 0; }
    /// The properties of image `index`; an empty map for any index but 0.
    QVariantMap propertiesAtIndex(int index) const;

private:
    static ImageSource open(const ImageInput& input);

    QString m_type;
    QString m_error;
    QVariantMap m_properties;
};
