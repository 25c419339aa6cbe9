#include "PropertyList.h"

#include <QDateTime>
#include <QFile>
#include <QTimeZone>

#include <plist/plist.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// Property-list dates count seconds from 2001-01-01 00:00:00 UTC.
const QDateTime& referenceDate()
{
    static const QDateTime epoch(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return epoch;
}

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// Depth limit guards against stack exhaustion on hostile nesting.
constexpr int kMaxDepth = 512;

std::optional<QVariant> toVariant(plist_t node, int depth, QString* error)
{
    if (depth > kMaxDepth) {
        setError(error, QStringLiteral("property list nested too deeply"));
        return std::nullopt;
    }
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return QVariant(value != 0);
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        // libplist keeps negative integers as two's complement in 64 bits;
        // values above INT64_MAX are taken as the negative numbers they encode,
        // which is how both writers produce them.
        return QVariant(static_cast<qint64>(value));
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return QVariant(value);
    }
    case PLIST_STRING: {
        char* text = nullptr;
        plist_get_string_val(node, &text);
        QString value = QString::fromUtf8(text ? text : "");
        std::free(text);
        return QVariant(value);
    }
    case PLIST_DATA: {
        char* bytes = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &bytes, &length);
        QByteArray value(bytes, static_cast<qsizetype>(length));
        std::free(bytes);
        return QVariant(value);
    }
    case PLIST_DATE: {
        int32_t sec = 0;
        int32_t usec = 0;
        plist_get_date_val(node, &sec, &usec);
        const qint64 msecs = qint64(sec) * 1000 + usec / 1000;
        return QVariant(referenceDate().addMSecs(msecs));
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t size = plist_array_get_size(node);
        list.reserve(size);
        for (uint32_t i = 0; i < size; ++i) {
            auto item = toVariant(plist_array_get_item(node, i), depth + 1, error);
            if (!item)
                return std::nullopt;
            list.append(*item);
        }
        return QVariant(list);
    }
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        std::unique_ptr<void, decltype(&std::free)> iterGuard(iter, &std::free);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iter, &key, &value);
            if (!value) {
                std::free(key);
                break;
            }
            QString name = QString::fromUtf8(key ? key : "");
            std::free(key);
            auto item = toVariant(value, depth + 1, error);
            if (!item)
                return std::nullopt;
            map.insert(name, *item);
        }
        return QVariant(map);
    }
    case PLIST_KEY:
    case PLIST_UID:
    case PLIST_NONE:
    default:
        setError(error, QStringLiteral("property list holds a node of an unsupported kind"));
        return std::nullopt;
    }
}

plist_t fromVariant(const QVariant& value, int depth, QString* error)
{
    if (depth > kMaxDepth) {
        setError(error, QStringLiteral("value nested too deeply for a property list"));
        return nullptr;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        return plist_new_bool(value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Long:
    case QMetaType::Short:
        return plist_new_uint(static_cast<uint64_t>(value.toLongLong()));
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::ULong:
    case QMetaType::UShort:
        return plist_new_uint(value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(value.toDouble());
    case QMetaType::QString:
        return plist_new_string(value.toString().toUtf8().constData());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return plist_new_data(bytes.constData(), static_cast<uint64_t>(bytes.size()));
    }
    case QMetaType::QDateTime: {
        const qint64 msecs = referenceDate().msecsTo(value.toDateTime());
        const qint64 secs = msecs >= 0 ? msecs / 1000 : -((-msecs + 999) / 1000);
        const qint64 usecs = (msecs - secs * 1000) * 1000;
        return plist_new_date(static_cast<int32_t>(secs), static_cast<int32_t>(usecs));
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        PlistPtr array(plist_new_array());
        for (const QVariant& item : value.toList()) {
            plist_t child = fromVariant(item, depth + 1, error);
            if (!child)
                return nullptr;
            plist_array_append_item(array.get(), child);
        }
        return array.release();
    }
    case QMetaType::QVariantMap: {
        PlistPtr dict(plist_new_dict());
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            plist_t child = fromVariant(it.value(), depth + 1, error);
            if (!child)
                return nullptr;
            plist_dict_set_item(dict.get(), it.key().toUtf8().constData(), child);
        }
        return dict.release();
    }
    default:
        setError(error,
                 QStringLiteral("a value of type %1 has no property-list form")
                     .arg(QString::fromLatin1(value.typeName() ? value.typeName() : "(invalid)")));
        return nullptr;
    }
}

bool looksBinary(const QByteArray& bytes)
{
    return bytes.startsWith("bplist00");
}

bool looksXml(const QByteArray& bytes)
{
    const QByteArray head = bytes.left(256).trimmed();
    return head.startsWith("<?xml") || head.startsWith("<plist") || head.startsWith("<!DOCTYPE");
}

} // namespace

Result<QVariant> PropertyList::parse(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return Failure(QStringLiteral("property list is empty"));
    plist_t root = nullptr;
    if (looksBinary(bytes))
        plist_from_bin(bytes.constData(), static_cast<uint32_t>(bytes.size()), &root);
    else if (looksXml(bytes))
        plist_from_xml(bytes.constData(), static_cast<uint32_t>(bytes.size()), &root);
    else
        return Failure(QStringLiteral("not a property list (neither XML nor binary)"));
    if (!root)
        return Failure(QStringLiteral("property list does not parse (truncated or malformed)"));
    PlistPtr guard(root);
    QString error;
    std::optional<QVariant> value = toVariant(root, 0, &error);
    if (!value)
        return Failure(error);
    return std::move(*value);
}

Result<QVariantMap> PropertyList::parseDictionary(const QByteArray& bytes)
{
    const Result<QVariant> root = parse(bytes);
    if (!root)
        return Failure(root.error());
    if (root->typeId() != QMetaType::QVariantMap)
        return Failure(QStringLiteral("property list root is not a dictionary"));
    return root->toMap();
}

namespace {
Result<QByteArray> readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure(QStringLiteral("%1: %2").arg(path, file.errorString()));
    return file.readAll();
}

// What `parsed` made of the file at `path`, a failure naming the file.
template <typename T>
Result<T> fromFile(const QString& path, Result<T> (*parsed)(const QByteArray&))
{
    const Result<QByteArray> bytes = readAll(path);
    if (!bytes)
        return Failure(bytes.error());
    Result<T> value = parsed(*bytes);
    if (!value)
        return Failure(QStringLiteral("%1: %2").arg(path, value.error()));
    return value;
}
} // namespace

Result<QVariant> PropertyList::readFile(const QString& path)
{
    return fromFile(path, &PropertyList::parse);
}

Result<QVariantMap> PropertyList::readDictionaryFile(const QString& path)
{
    return fromFile(path, &PropertyList::parseDictionary);
}

Result<QByteArray> PropertyList::serialize(const QVariant& root, Format format)
{
    QString error;
    PlistPtr node(fromVariant(root, 0, &error));
    if (!node)
        return Failure(error);
    char* out = nullptr;
    uint32_t length = 0;
    if (format == Format::Binary) {
        plist_to_bin(node.get(), &out, &length);
        QByteArray bytes(out, static_cast<qsizetype>(length));
        plist_to_bin_free(out);
        return bytes;
    }
    plist_to_xml(node.get(), &out, &length);
    QByteArray bytes(out, static_cast<qsizetype>(length));
    plist_to_xml_free(out);
    return bytes;
}
