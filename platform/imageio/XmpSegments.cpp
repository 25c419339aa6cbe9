#include "XmpSegments_p.h"

#include <QCryptographicHash>

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {
const QByteArray kStandardHeader("http://ns.adobe.com/xap/1.0/\0", 29);
const QByteArray kExtendedHeader("http://ns.adobe.com/xmp/extension/\0", 35);
const char* const kHasExtendedXmp = "Xmp.xmpNote.HasExtendedXMP";

QByteArray serialise(const Exiv2::XmpData& data, uint16_t flags)
{
    std::string packet;
    if (Exiv2::XmpParser::encode(packet, data, flags, 0) != 0)
        return {};
    return QByteArray::fromStdString(packet);
}

// The property a datum belongs to: array items and struct fields
// ("History[1]/stEvt:action") go with their array or struct.
std::string topLevelProperty(const Exiv2::Xmpdatum& datum)
{
    std::string tag = datum.tagName();
    tag = tag.substr(0, tag.find_first_of("/["));
    return datum.groupName() + "." + tag;
}

QByteArray bigEndian32(qsizetype value)
{
    const auto v = static_cast<quint32>(value);
    QByteArray out(4, Qt::Uninitialized);
    out[0] = char(v >> 24);
    out[1] = char(v >> 16);
    out[2] = char(v >> 8);
    out[3] = char(v);
    return out;
}

// Properties ordered from the largest to the smallest.
std::vector<std::string> largestFirst(const Exiv2::XmpData& data)
{
    std::map<std::string, size_t> sizes;
    std::vector<std::string> properties;
    for (const Exiv2::Xmpdatum& datum : data) {
        const std::string property = topLevelProperty(datum);
        if (!sizes.count(property))
            properties.push_back(property);
        sizes[property] += datum.size() + datum.key().size();
    }
    std::stable_sort(
        properties.begin(), properties.end(),
        [&](const std::string& a, const std::string& b) { return sizes[a] > sizes[b]; });
    return properties;
}

QList<QByteArray> split(const Exiv2::XmpData& data)
{
    std::set<std::string> moved;
    for (const std::string& property : largestFirst(data)) {
        moved.insert(property);
        Exiv2::XmpData standard;
        Exiv2::XmpData extended;
        for (const Exiv2::Xmpdatum& datum : data)
            (moved.count(topLevelProperty(datum)) ? extended : standard).add(datum);
        const QByteArray extendedPacket = serialise(
            extended, Exiv2::XmpParser::useCompactFormat | Exiv2::XmpParser::omitPacketWrapper);
        if (extendedPacket.isEmpty())
            return {};
        const QByteArray digest =
            QCryptographicHash::hash(extendedPacket, QCryptographicHash::Md5).toHex().toUpper();
        standard[kHasExtendedXmp] = digest.toStdString();
        const QByteArray standardPacket = serialise(standard, Exiv2::XmpParser::useCompactFormat);
        if (standardPacket.isEmpty())
            return {};
        if (standardPacket.size() > XmpSegments::kMaxStandardPacket)
            continue;
        QList<QByteArray> payloads{kStandardHeader + standardPacket};
        for (qsizetype offset = 0; offset < extendedPacket.size();
             offset += XmpSegments::kExtendedChunk) {
            payloads.append(kExtendedHeader + digest + bigEndian32(extendedPacket.size()) +
                            bigEndian32(offset) +
                            extendedPacket.mid(offset, XmpSegments::kExtendedChunk));
        }
        return payloads;
    }
    return {};
}
} // namespace

QList<QByteArray> XmpSegments::payloads(const QByteArray& packet)
{
    if (packet.isEmpty())
        return {};
    if (packet.size() <= kMaxStandardPacket)
        return {kStandardHeader + packet};
    try {
        Exiv2::XmpData data;
        if (Exiv2::XmpParser::decode(data, packet.toStdString()) != 0)
            return {};
        const auto stale = data.findKey(Exiv2::XmpKey(kHasExtendedXmp));
        if (stale != data.end())
            data.erase(stale);
        const QByteArray compact = serialise(data, Exiv2::XmpParser::useCompactFormat);
        if (!compact.isEmpty() && compact.size() <= kMaxStandardPacket)
            return {kStandardHeader + compact};
        return split(data);
    } catch (const Exiv2::AnyError&) {
        return {};
    } catch (const std::exception&) {
        return {};
    }
}
