#pragma once

#include <QByteArray>
#include <QList>

/// Reads the marker segments of a JPEG stream up to its image data, checking
/// every length: an independent look at what the JPEG destination wrote.
class JpegStructure {
public:
    struct Segment {
        int marker = 0;
        QByteArray payload;
    };

    /// The segments between start of image and start of scan; `ok` is false
    /// when a length runs past the data or no scan follows.
    static QList<Segment> segments(const QByteArray& jpeg, bool* ok);
    /// The payloads of APPn segments whose payload starts with `header`,
    /// with the header removed.
    static QList<QByteArray> payloads(const QByteArray& jpeg, int marker, const QByteArray& header);
};
