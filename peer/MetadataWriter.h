#pragma once

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

/// Writes an image version's metadata, as the library holds it, into
/// exported files (EXIF, IPTC and XMP), into ".XMP" sidecars, and the image
/// date into master files.
///
/// Built on Exiv2 (libvips writes no EXIF into TIFF and damages IPTC there).
/// Stateless; any thread once main() has initialised Exiv2's XMP support.
/// Failures throw PeerError naming the file and Exiv2's words.
class MetadataWriter {
public:
    struct Metadata {
        QList<QPair<QString, QVariant>> exif; // library EXIF tag names
        QList<QPair<QString, QString>> iptc;  // IPTC names, "Keywords" left out
        QStringList keywords;
        QString title;
        int rating = 0;
        double latitude = 0;
        double longitude = 0;
        int width = 0; // the written image's pixel size
        int height = 0;
    };

    /// Embeds the metadata into the image file at `path`.
    static void embed(const QString& path, const Metadata& metadata);
    /// Writes the metadata as an XMP packet into the file at `path`.
    static void writeSidecar(const QString& path, const Metadata& metadata);
    /// Sets the date the picture was taken in the image file at `path` (a
    /// master): the file is replaced whole through a temporary file in its
    /// folder, so it holds either its old bytes or its new ones, never a part.
    static void writeImageDate(const QString& path, const QDateTime& date);
};
