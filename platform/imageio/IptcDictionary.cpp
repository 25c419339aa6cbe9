#include "IptcDictionary_p.h"

#include <QStringList>

namespace {
constexpr int kMaxPayload = 65533;
const QByteArray kPhotoshopHeader("Photoshop 3.0\0", 14);

QStringList textsOf(const QVariant& value)
{
    const int type = value.typeId();
    if (type == QMetaType::QStringList || type == QMetaType::QVariantList)
        return value.toStringList();
    return {value.toString()};
}

// Adds one dictionary entry; names that are not IIM datasets are skipped.
void addEntry(Exiv2::IptcData& iptc, const QString& name, const QVariant& entry)
{
    try {
        const Exiv2::IptcKey key("Iptc.Application2." + name.toStdString());
        const Exiv2::TypeId type = Exiv2::IptcDataSets::dataSetType(key.tag(), key.record());
        for (const QString& text : textsOf(entry)) {
            Exiv2::Value::AutoPtr value = Exiv2::Value::create(type);
            if (value->read(text.toStdString()) == 0)
                iptc.add(key, value.get());
        }
    } catch (const Exiv2::AnyError&) {
    }
}
} // namespace

QVariantMap IptcDictionary::read(const Exiv2::IptcData& iptc)
{
    QVariantMap dictionary;
    try {
        for (const Exiv2::Iptcdatum& datum : iptc) {
            if (datum.record() != Exiv2::IptcDataSets::application2)
                continue;
            const QString name = QString::fromStdString(datum.tagName());
            const QString value = QString::fromUtf8(datum.toString().c_str());
            if (Exiv2::IptcDataSets::dataSetRepeatable(datum.tag(), datum.record())) {
                QStringList values = dictionary.value(name).toStringList();
                values.append(value);
                dictionary.insert(name, values);
            } else {
                dictionary.insert(name, value);
            }
        }
    } catch (const Exiv2::AnyError&) {
    }
    return dictionary;
}

QByteArray IptcDictionary::jpegPayload(const QVariantMap& dictionary)
{
    try {
        Exiv2::IptcData iptc;
        for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it)
            addEntry(iptc, it.key(), it.value());
        if (iptc.empty())
            return {};
        // ESC % G: the values are UTF-8.
        iptc["Iptc.Envelope.CharacterSet"] = std::string("\x1B%G");
        const Exiv2::DataBuf block = Exiv2::Photoshop::setIptcIrb(nullptr, 0, iptc);
        const QByteArray payload =
            kPhotoshopHeader + QByteArray(reinterpret_cast<const char*>(block.pData_),
                                          static_cast<qsizetype>(block.size_));
        return payload.size() <= kMaxPayload ? payload : QByteArray();
    } catch (const Exiv2::AnyError&) {
        return {};
    } catch (const std::exception&) {
        return {};
    }
}
