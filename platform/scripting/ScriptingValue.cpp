#include "ScriptingValue.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDateTime>
#include <QStringList>
#include <QTimeZone>
#include <QUrl>

#include <limits>
#include <mutex>

/// The wire form of a date: milliseconds since the Unix epoch in a struct, so
/// that a date is told apart from a number.
struct ScriptingWireDate {
    qint64 msecs = 0;
};
Q_DECLARE_METATYPE(ScriptingWireDate)

QDBusArgument& operator<<(QDBusArgument& argument, const ScriptingWireDate& date)
{
    argument.beginStructure();
    argument << date.msecs;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ScriptingWireDate& date)
{
    argument.beginStructure();
    argument >> date.msecs;
    argument.endStructure();
    return argument;
}

namespace {

const QString kDateSignature = QStringLiteral("(x)");

bool fail(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return false;
}

QString typeName(const QVariant& value)
{
    return value.isValid() ? QString::fromLatin1(value.metaType().name()) : QStringLiteral("null");
}

/// A value inside a variant: any of our types, converted recursively.
QVariant anyToWire(const QVariant& value, QString* error)
{
    if (!value.isValid() || value.metaType().id() == QMetaType::Nullptr)
        return QVariant::fromValue(QDBusObjectPath(ScriptingValue::nullPath()));
    switch (value.metaType().id()) {
    case QMetaType::QString:
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::QStringList:
    case QMetaType::QByteArray:
        return value;
    case QMetaType::Long:
        return QVariant::fromValue<qint64>(value.toLongLong());
    case QMetaType::ULong:
        return QVariant::fromValue<quint64>(value.toULongLong());
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
        return QVariant::fromValue<int>(value.toInt());
    case QMetaType::UShort:
    case QMetaType::UChar:
        return QVariant::fromValue<uint>(value.toUInt());
    case QMetaType::Float:
        return QVariant::fromValue<double>(value.toDouble());
    case QMetaType::QUrl:
        return value.toUrl().toString();
    case QMetaType::QDateTime:
        return QVariant::fromValue(ScriptingWireDate{value.toDateTime().toMSecsSinceEpoch()});
    case QMetaType::QVariantList: {
        QVariantList list;
        const QVariantList source = value.toList();
        list.reserve(source.size());
        for (const QVariant& item : source) {
            QVariant wire = anyToWire(item, error);
            if (!wire.isValid())
                return {};
            list.append(std::move(wire));
        }
        return list;
    }
    case QMetaType::QVariantMap: {
        QVariantMap map;
        const QVariantMap source = value.toMap();
        for (auto it = source.begin(); it != source.end(); ++it) {
            QVariant wire = anyToWire(it.value(), error);
            if (!wire.isValid())
                return {};
            map.insert(it.key(), std::move(wire));
        }
        return map;
    }
    default:
        break;
    }
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>() ||
        value.metaType() == QMetaType::fromType<QList<QDBusObjectPath>>() ||
        value.metaType() == QMetaType::fromType<ScriptingWireDate>())
        return value;
    fail(error, QStringLiteral("a value of type %1 has no scripting form").arg(typeName(value)));
    return {};
}

QList<QDBusObjectPath> toPaths(const QVariant& value, bool* ok)
{
    *ok = true;
    if (value.metaType() == QMetaType::fromType<QList<QDBusObjectPath>>())
        return value.value<QList<QDBusObjectPath>>();
    QList<QDBusObjectPath> paths;
    const QVariantList items = value.toList();
    if (!value.canConvert<QVariantList>()) {
        *ok = false;
        return {};
    }
    paths.reserve(items.size());
    for (const QVariant& item : items) {
        const QString path = item.metaType() == QMetaType::fromType<QDBusObjectPath>()
                                 ? item.value<QDBusObjectPath>().path()
                                 : item.toString();
        if (!ScriptingValue::isObjectPath(path)) {
            *ok = false;
            return {};
        }
        paths.append(QDBusObjectPath(path));
    }
    return paths;
}

template <typename T> QVariant integer(const QVariant& value, bool isUnsigned, QString* error)
{
    bool ok = false;
    if (value.metaType().id() == QMetaType::Bool || value.metaType().id() == QMetaType::QString) {
        fail(error, QStringLiteral("expected an integer, got %1").arg(typeName(value)));
        return {};
    }
    if (isUnsigned) {
        const qulonglong n = value.toULongLong(&ok);
        if (ok && n <= qulonglong(std::numeric_limits<T>::max()) && value.toLongLong() >= 0)
            return QVariant::fromValue<T>(T(n));
    } else {
        const qlonglong n = value.toLongLong(&ok);
        if (ok && n >= qlonglong(std::numeric_limits<T>::min()) &&
            n <= qlonglong(std::numeric_limits<T>::max()))
            return QVariant::fromValue<T>(T(n));
    }
    fail(error, QStringLiteral("%1 of type %2 is not an integer of the required range")
                    .arg(value.toString(), typeName(value)));
    return {};
}

QVariant fromArgument(const QDBusArgument& argument);

} // namespace

void ScriptingValue::registerTypes()
{
    static std::once_flag once;
    std::call_once(once, [] {
        qDBusRegisterMetaType<ScriptingWireDate>();
        qDBusRegisterMetaType<QList<QVariantList>>();
    });
}

bool ScriptingValue::isObjectPath(const QString& path)
{
    if (path == QLatin1String("/"))
        return true;
    if (!path.startsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('/')))
        return false;
    bool previousWasSlash = true;
    for (qsizetype i = 1; i < path.size(); ++i) {
        const QChar c = path.at(i);
        if (c == QLatin1Char('/')) {
            if (previousWasSlash)
                return false;
            previousWasSlash = true;
            continue;
        }
        previousWasSlash = false;
        if (c.unicode() > 127 || !(c.isLetterOrNumber() || c == QLatin1Char('_')))
            return false;
    }
    return true;
}

namespace {
/// The wire form of one value, or an invalid QVariant and `error` set.
QVariant wireValue(const QVariant& value, const QString& signature, QString* error)
{
    ScriptingValue::registerTypes();
    if (signature == QLatin1String("v")) {
        QVariant inner = anyToWire(value, error);
        return inner.isValid() ? QVariant::fromValue(QDBusVariant(inner)) : QVariant();
    }
    if (signature == kDateSignature) {
        if (value.metaType().id() != QMetaType::QDateTime || !value.toDateTime().isValid()) {
            fail(error, QStringLiteral("expected a date, got %1").arg(typeName(value)));
            return {};
        }
        return QVariant::fromValue(ScriptingWireDate{value.toDateTime().toMSecsSinceEpoch()});
    }
    if (signature == QLatin1String("s")) {
        if (value.metaType().id() == QMetaType::QString)
            return value;
        if (value.metaType().id() == QMetaType::QUrl)
            return value.toUrl().toString();
        fail(error, QStringLiteral("expected text, got %1").arg(typeName(value)));
        return {};
    }
    if (signature == QLatin1String("o")) {
        const QString path = value.metaType() == QMetaType::fromType<QDBusObjectPath>()
                                 ? value.value<QDBusObjectPath>().path()
                                 : value.toString();
        if (!ScriptingValue::isObjectPath(path)) {
            fail(error, QStringLiteral("'%1' is not an object path").arg(path));
            return {};
        }
        return QVariant::fromValue(QDBusObjectPath(path));
    }
    if (signature == QLatin1String("b")) {
        if (value.metaType().id() == QMetaType::Bool)
            return value;
        fail(error, QStringLiteral("expected a boolean, got %1").arg(typeName(value)));
        return {};
    }
    if (signature == QLatin1String("d")) {
        bool ok = false;
        const double d = value.toDouble(&ok);
        if (ok && value.metaType().id() != QMetaType::QString &&
            value.metaType().id() != QMetaType::Bool)
            return QVariant::fromValue(d);
        fail(error, QStringLiteral("expected a real, got %1").arg(typeName(value)));
        return {};
    }
    if (signature == QLatin1String("i"))
        return integer<int>(value, false, error);
    if (signature == QLatin1String("u"))
        return integer<uint>(value, true, error);
    if (signature == QLatin1String("x"))
        return integer<qint64>(value, false, error);
    if (signature == QLatin1String("t"))
        return integer<quint64>(value, true, error);
    if (signature == QLatin1String("as")) {
        if (value.metaType().id() == QMetaType::QStringList)
            return value;
        QStringList strings;
        for (const QVariant& item : value.toList()) {
            if (item.metaType().id() != QMetaType::QString &&
                item.metaType().id() != QMetaType::QUrl) {
                fail(error,
                     QStringLiteral("expected a list of texts, found %1").arg(typeName(item)));
                return {};
            }
            strings.append(item.metaType().id() == QMetaType::QUrl ? item.toUrl().toString()
                                                                   : item.toString());
        }
        return strings;
    }
    if (signature == QLatin1String("ao")) {
        bool ok = false;
        QList<QDBusObjectPath> paths = toPaths(value, &ok);
        if (ok)
            return QVariant::fromValue(paths);
        fail(error, QStringLiteral("expected a list of object paths"));
        return {};
    }
    if (signature == QLatin1String("av") || signature == QLatin1String("a{sv}")) {
        const bool wantList = signature == QLatin1String("av");
        const int expected = wantList ? QMetaType::QVariantList : QMetaType::QVariantMap;
        if (value.metaType().id() != expected &&
            !(wantList && value.metaType().id() == QMetaType::QStringList)) {
            fail(error, QStringLiteral("expected %1, got %2")
                            .arg(wantList ? QStringLiteral("a list") : QStringLiteral("a record"),
                                 typeName(value)));
            return {};
        }
        return anyToWire(wantList ? QVariant(value.toList()) : value, error);
    }
    if (signature == QLatin1String("aav")) {
        QList<QVariantList> lists;
        for (const QVariant& item : value.toList()) {
            QVariant wire = anyToWire(QVariant(item.toList()), error);
            if (!wire.isValid())
                return {};
            lists.append(wire.toList());
        }
        return QVariant::fromValue(lists);
    }
    fail(error, QStringLiteral("the D-Bus type %1 has no scripting form").arg(signature));
    return {};
}
} // namespace

Result<QVariant> ScriptingValue::toWire(const QVariant& value, const QString& signature)
{
    QString error;
    QVariant wire = wireValue(value, signature, &error);
    if (!wire.isValid())
        return Failure(error);
    return wire;
}

Result<QVariantList> ScriptingValue::toWire(const QVariantList& values, const QStringList& types)
{
    if (values.size() != types.size())
        return Failure(QStringLiteral("%1 values given where %2 are declared")
                           .arg(values.size())
                           .arg(types.size()));
    QVariantList wire;
    for (qsizetype i = 0; i < values.size(); ++i) {
        const Result<QVariant> converted = toWire(values[i], types[i]);
        if (!converted)
            return Failure(QStringLiteral("argument %1: %2").arg(i + 1).arg(converted.error()));
        wire.append(*converted);
    }
    return wire;
}

QVariant ScriptingValue::fromWire(const QVariant& wire)
{
    if (wire.metaType() == QMetaType::fromType<QDBusArgument>())
        return fromArgument(wire.value<QDBusArgument>());
    if (wire.metaType() == QMetaType::fromType<QDBusVariant>()) {
        QVariant inner = fromWire(wire.value<QDBusVariant>().variant());
        if (inner.metaType() == QMetaType::fromType<QDBusObjectPath>() &&
            inner.value<QDBusObjectPath>().path() == nullPath())
            return {};
        return inner;
    }
    if (wire.metaType() == QMetaType::fromType<ScriptingWireDate>())
        return QDateTime::fromMSecsSinceEpoch(wire.value<ScriptingWireDate>().msecs, Qt::UTC);
    if (wire.metaType() == QMetaType::fromType<QList<QDBusObjectPath>>()) {
        QVariantList list;
        for (const QDBusObjectPath& path : wire.value<QList<QDBusObjectPath>>())
            list.append(QVariant::fromValue(path));
        return list;
    }
    return wire;
}

namespace {

QVariant fromArgument(const QDBusArgument& argument)
{
    switch (argument.currentType()) {
    case QDBusArgument::ArrayType: {
        if (argument.currentSignature() == QLatin1String("ay")) {
            QByteArray bytes;
            argument >> bytes;
            return bytes;
        }
        QVariantList list;
        argument.beginArray();
        while (!argument.atEnd())
            list.append(ScriptingValue::fromWire(argument.asVariant()));
        argument.endArray();
        return list;
    }
    case QDBusArgument::MapType: {
        QVariantMap map;
        argument.beginMap();
        while (!argument.atEnd()) {
            argument.beginMapEntry();
            const QVariant key = ScriptingValue::fromWire(argument.asVariant());
            QVariant value = ScriptingValue::fromWire(argument.asVariant());
            argument.endMapEntry();
            map.insert(key.toString(), std::move(value));
        }
        argument.endMap();
        return map;
    }
    case QDBusArgument::StructureType: {
        if (argument.currentSignature() == kDateSignature) {
            ScriptingWireDate date;
            argument >> date;
            return QDateTime::fromMSecsSinceEpoch(date.msecs, Qt::UTC);
        }
        QVariantList fields;
        argument.beginStructure();
        while (!argument.atEnd())
            fields.append(ScriptingValue::fromWire(argument.asVariant()));
        argument.endStructure();
        return fields;
    }
    case QDBusArgument::BasicType:
    case QDBusArgument::VariantType:
        return ScriptingValue::fromWire(argument.asVariant());
    default:
        return {};
    }
}

} // namespace
