#include "ApertureObject.h"

#include "ApertureAlbum.h"
#include "ApertureExportSetting.h"
#include "ApertureImageVersion.h"
#include "ApertureKeyword.h"
#include "ApertureLibrary.h"
#include "ApertureProject.h"
#include "ApertureTag.h"

#include "scripting/ScriptingApplication.h"
#include "scripting/ScriptingError.h"

#include <QDBusObjectPath>

namespace {

QString pathOf(const QVariant& value)
{
    return value.value<QDBusObjectPath>().path();
}

/// Whether a value holds a reference anywhere: most bulk values hold none
/// and are returned without a copy.
bool holdsReference(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return true;
    if (value.metaType().id() == QMetaType::QVariantList) {
        for (const QVariant& item : *static_cast<const QVariantList*>(value.constData()))
            if (holdsReference(item))
                return true;
    }
    if (value.metaType().id() == QMetaType::QVariantMap) {
        for (const QVariant& item : *static_cast<const QVariantMap*>(value.constData()))
            if (holdsReference(item))
                return true;
    }
    return false;
}

} // namespace

ApertureObject::ApertureObject(std::shared_ptr<ScriptingApplication> connection, QString reference)
    : m_connection(std::move(connection)), m_reference(std::move(reference))
{}

QVariantList ApertureObject::call(const QString& method, const QVariantList& arguments) const
{
    if (!m_connection)
        throw ScriptingError(
            QStringLiteral("org.freedesktop.DBus.Error.Disconnected"),
            QStringLiteral("%1 on %2: the handle has no connection").arg(method, m_reference));
    const QVariantList values = m_connection->call(m_reference, method, arguments);
    QVariantList converted;
    converted.reserve(values.size());
    for (const QVariant& value : values)
        converted.append(toHandles(value));
    return converted;
}

QString ApertureObject::getText(const QString& property) const
{
    return call(QStringLiteral("GetText"), {property}).value(0).toString();
}

int ApertureObject::getInteger(const QString& property) const
{
    return call(QStringLiteral("GetInteger"), {property}).value(0).toInt();
}

double ApertureObject::getReal(const QString& property) const
{
    return call(QStringLiteral("GetReal"), {property}).value(0).toDouble();
}

bool ApertureObject::getBoolean(const QString& property) const
{
    return call(QStringLiteral("GetBoolean"), {property}).value(0).toBool();
}

QVariant ApertureObject::getValue(const QString& property) const
{
    return call(QStringLiteral("GetValue"), {property}).value(0);
}

void ApertureObject::set(const QString& property, const QVariant& value) const
{
    QString method;
    switch (value.metaType().id()) {
    case QMetaType::QString:
        method = QStringLiteral("SetText");
        break;
    case QMetaType::Int:
        method = QStringLiteral("SetInteger");
        break;
    case QMetaType::Double:
        method = QStringLiteral("SetReal");
        break;
    case QMetaType::Bool:
        method = QStringLiteral("SetBoolean");
        break;
    default:
        throw ScriptingError(
            QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
            QStringLiteral("\"%1\" of %2 cannot be set to a value of type %3")
                .arg(property, m_reference, QString::fromLatin1(value.metaType().name())));
    }
    call(method, {property, value});
}

QStringList ApertureObject::elements(const QString& element) const
{
    if (!m_connection)
        call(QStringLiteral("Elements"));
    QStringList references;
    for (const QVariant& path :
         m_connection->call(m_reference, QStringLiteral("Elements"), {element}).value(0).toList())
        references.append(pathOf(path));
    return references;
}

QString ApertureObject::elementNamed(const QString& element, const QString& name) const
{
    if (!m_connection)
        call(QStringLiteral("ElementNamed"));
    return pathOf(
        m_connection->call(m_reference, QStringLiteral("ElementNamed"), {element, name}).value(0));
}

QVariant ApertureObject::toHandles(const QVariant& value) const
{
    if (!holdsReference(value))
        return value;
    if (value.metaType().id() == QMetaType::QVariantList) {
        QVariantList list = value.toList();
        for (QVariant& item : list)
            item = toHandles(item);
        return list;
    }
    if (value.metaType().id() == QMetaType::QVariantMap) {
        QVariantMap map = value.toMap();
        for (QVariant& item : map)
            item = toHandles(item);
        return map;
    }
    if (value.metaType() != QMetaType::fromType<QDBusObjectPath>())
        return value;
    const QString path = pathOf(value);
    const auto is = [&](const char* prefix) {
        return path.startsWith(QLatin1String(prefix));
    };
    if (is("/version/") && path.contains(QLatin1String("/other/")))
        return QVariant::fromValue(ApertureTag(m_connection, path));
    if (is("/version/"))
        return QVariant::fromValue(ApertureImageVersion(m_connection, path));
    if (is("/project/"))
        return QVariant::fromValue(ApertureProject(m_connection, path));
    if (is("/album/"))
        return QVariant::fromValue(ApertureAlbum(m_connection, path));
    if (is("/library/"))
        return QVariant::fromValue(ApertureLibrary(m_connection, path));
    if (is("/keyword/"))
        return QVariant::fromValue(ApertureKeyword(m_connection, path));
    if (is("/tag/"))
        return QVariant::fromValue(ApertureTag(m_connection, path));
    if (is("/exportsetting/"))
        return QVariant::fromValue(ApertureExportSetting(m_connection, path));
    if (path == QLatin1String("/"))
        return {};
    return QVariant::fromValue(ApertureObject(m_connection, path));
}
