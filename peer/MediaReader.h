#pragma once

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

/// What the library learns from an image file at import: its kind, its
/// pixel size as shown (orientation applied), its EXIF facts under the
/// library's tag names, its IPTC fields, its keywords and its position.
///
/// RAW files are measured with LibRaw, others with libvips (header only);
/// metadata comes from Exiv2. Stateless; callable from any thread once
/// main() has initialised libvips and Exiv2. A file the library cannot read
/// as an image throws PeerError (UnsupportedFile); metadata that is missing
/// or does not parse is simply left out.
class MediaReader {
public:
    enum class ExifType { Text, Integer, Real, Date };
    /// One EXIF fact the library keeps: its tag name, the Exiv2 key it is read
    /// from (and embedded back into exports under) and its type.
    struct ExifField {
        QString name;
        const char* key;
        ExifType type;
    };

    struct Info {
        QString kind; // "raw", "jpeg", "tiff", "png"
        int width = 0;
        int height = 0;
        QList<QPair<QString, QVariant>> exif;
        QList<QPair<QString, QVariant>> iptc;
        QStringList keywords;
        std::optional<double> latitude;
        std::optional<double> longitude;
    };

    /// The kind of image a file name promises, by its extension (any case);
    /// empty when it is none the library reads.
    static QString kindForPath(const QString& path);
    static Info read(const QString& path);
    /// Pixel size as shown, without metadata; throws like read().
    static QPair<int, int> pixelSize(const QString& path, const QString& kind);

    /// The EXIF facts the library keeps, in the order it lists them.
    static const QList<ExifField>& exifFields();
    /// An EXIF date-time ("2021:06:05 14:03:22", read as UTC: EXIF carries no
    /// zone, and UTC keeps a date unchanged through any round trip); no value
    /// when the text is not such a date.
    static std::optional<QDateTime> parseExifDate(const QString& text);
    static QString formatExifDate(const QDateTime& date);
};
