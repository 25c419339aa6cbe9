#include "JpegStructure.h"

namespace {
int byteAt(const QByteArray& data, qsizetype at)
{
    return static_cast<unsigned char>(data.at(at));
}
} // namespace

QList<JpegStructure::Segment> JpegStructure::segments(const QByteArray& jpeg, bool* ok)
{
    *ok = false;
    QList<Segment> out;
    if (jpeg.size() < 4 || byteAt(jpeg, 0) != 0xFF || byteAt(jpeg, 1) != 0xD8)
        return out;
    qsizetype at = 2;
    while (at + 4 <= jpeg.size()) {
        if (byteAt(jpeg, at) != 0xFF)
            return out;
        const int marker = byteAt(jpeg, at + 1);
        const int length = (byteAt(jpeg, at + 2) << 8) | byteAt(jpeg, at + 3);
        if (length < 2 || at + 2 + length > jpeg.size())
            return out;
        if (marker == 0xDA) {
            *ok = true;
            return out;
        }
        out.append({marker, jpeg.mid(at + 4, length - 2)});
        at += 2 + length;
    }
    return out;
}

QList<QByteArray> JpegStructure::payloads(const QByteArray& jpeg, int marker,
                                          const QByteArray& header)
{
    bool ok = false;
    QList<QByteArray> out;
    for (const Segment& segment : segments(jpeg, &ok)) {
        if (segment.marker == marker && segment.payload.startsWith(header))
            out.append(segment.payload.mid(header.size()));
    }
    return out;
}
