#pragma once

#include <QByteArray>
#include <QVariantMap>

#include <exiv2/exiv2.hpp>

/// The "{IPTC}" dictionary: the IPTC-IIM application record, one entry per
/// dataset under Exiv2's dataset name ("ObjectName", "Keywords",
/// "Caption", ...), text values; repeatable datasets as string lists. Every
/// IIM value has an exact text form, so the dictionary carries IPTC without
/// loss and is what a JPEG destination writes. Internal to the image layer;
/// any thread; never throws.
class IptcDictionary {
public:
    static QVariantMap read(const Exiv2::IptcData& iptc);
    /// The APP13 payload ("Photoshop 3.0", IPTC resource block) for a
    /// dictionary, in UTF-8; empty when nothing in it is a known dataset or
    /// it does not fit one segment.
    static QByteArray jpegPayload(const QVariantMap& dictionary);
};
