#pragma once

#include "JpegMarkers_p.h"

#include <QByteArray>
#include <QList>

/// XMP for a JPEG: the APP1 payloads that carry an XMP packet. Internal to
/// the image layer; any thread (after ImageIO::initialize()); never throws.
///
/// A packet that fits one segment goes in as it is, byte for byte. A larger
/// one is first written again without padding and indentation; if it still
/// does not fit, the largest top-level properties move into extended XMP as
/// the XMP standard lays it down for files: the standard packet keeps the
/// rest and names the extended packet's MD5 digest in xmpNote:HasExtendedXMP,
/// and the extended packet follows in chunks of 65400 bytes. No property is
/// lost. A packet that is too large and does not parse is left out.
class XmpSegments {
public:
    /// 65533 minus the 29-byte namespace header of the standard packet.
    static constexpr int kMaxStandardPacket = JpegMarkers::kMaxPayload - 29;
    static constexpr int kExtendedChunk = 65400;

    static QList<QByteArray> payloads(const QByteArray& packet);
};
