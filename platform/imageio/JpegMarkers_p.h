#pragma once

#include <QByteArray>
#include <QList>

/// JPEG marker segments: building APPn segments and placing them in an
/// encoded stream. Internal to the image layer; pure functions.
class JpegMarkers {
public:
    /// Largest payload of one segment: 65535 minus the 2-byte length field.
    static constexpr int kMaxPayload = 65533;

    static constexpr int kApp0 = 0xE0;
    static constexpr int kApp1 = 0xE1;
    static constexpr int kApp2 = 0xE2;
    static constexpr int kApp13 = 0xED;

    /// Marker, length and payload; the payload must not exceed kMaxPayload.
    static QByteArray segment(int marker, const QByteArray& payload);
    /// The APP1 payload for EXIF in TIFF structure.
    static QByteArray exifPayload(const QByteArray& tiffStructure);
    /// APP2 payloads for an ICC profile, in chunks of at most 65519 bytes
    /// ("ICC_PROFILE", sequence number, count); empty when the profile
    /// needs more than 255 chunks.
    static QList<QByteArray> iccPayloads(const QByteArray& profile);
    /// `jpeg` with `segments` placed after the start-of-image marker and a
    /// JFIF APP0 segment if there is one; empty when `jpeg` does not start
    /// like a JPEG stream.
    static QByteArray insertAfterHeader(const QByteArray& jpeg, const QByteArray& segments);
};
