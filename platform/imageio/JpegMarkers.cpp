#include "JpegMarkers_p.h"

namespace {
constexpr int kIccChunk = JpegMarkers::kMaxPayload - 14; // "ICC_PROFILE\0", number, count
const QByteArray kIccHeader("ICC_PROFILE\0", 12);
const QByteArray kExifHeader("Exif\0\0", 6);

int byteAt(const QByteArray& data, qsizetype at)
{
    return static_cast<unsigned char>(data.at(at));
}
} // namespace

QByteArray JpegMarkers::segment(int marker, const QByteArray& payload)
{
    const int length = static_cast<int>(payload.size()) + 2;
    QByteArray out;
    out.reserve(length + 2);
    out.append(char(0xFF));
    out.append(char(marker));
    out.append(char(length >> 8));
    out.append(char(length & 0xFF));
    out.append(payload);
    return out;
}

QByteArray JpegMarkers::exifPayload(const QByteArray& tiffStructure)
{
    return kExifHeader + tiffStructure;
}

QList<QByteArray> JpegMarkers::iccPayloads(const QByteArray& profile)
{
    const qsizetype count = (profile.size() + kIccChunk - 1) / kIccChunk;
    if (profile.isEmpty() || count > 255)
        return {};
    QList<QByteArray> payloads;
    for (qsizetype n = 0; n < count; ++n) {
        QByteArray payload = kIccHeader;
        payload.append(char(n + 1));
        payload.append(char(count));
        payload.append(profile.mid(n * kIccChunk, kIccChunk));
        payloads.append(payload);
    }
    return payloads;
}

QByteArray JpegMarkers::insertAfterHeader(const QByteArray& jpeg, const QByteArray& segments)
{
    if (jpeg.size() < 4 || byteAt(jpeg, 0) != 0xFF || byteAt(jpeg, 1) != 0xD8)
        return {};
    qsizetype at = 2;
    if (jpeg.size() >= 11 && byteAt(jpeg, 2) == 0xFF && byteAt(jpeg, 3) == kApp0 &&
        jpeg.mid(6, 5) == QByteArray("JFIF\0", 5)) {
        at = 4 + ((byteAt(jpeg, 4) << 8) | byteAt(jpeg, 5));
        if (at > jpeg.size())
            return {};
    }
    QByteArray out;
    out.reserve(jpeg.size() + segments.size());
    out.append(jpeg.constData(), at);
    out.append(segments);
    out.append(jpeg.constData() + at, jpeg.size() - at);
    return out;
}
