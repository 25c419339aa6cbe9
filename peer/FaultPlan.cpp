#include "FaultPlan.h"

#include "ScriptingModel.h"
#include "ScriptingObject.h"

#include <QDBusObjectPath>

Result<void> FaultPlan::addCalls(const QStringList& values, CallFault fault)
{
    QHash<QString, QHash<qint64, CallFault>> planned = m_callFaults;
    for (const QString& value : values) {
        for (const QString& call : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const qsizetype colon = call.lastIndexOf(QLatin1Char(':'));
            bool numbered = false;
            const qint64 number = colon > 0 ? call.mid(colon + 1).toLongLong(&numbered) : 0;
            if (!numbered || number < 1)
                return Failure(
                    QStringLiteral("a call is named METHOD:N with N from 1, not \"%1\"").arg(call));
            planned[call.left(colon)].insert(number, fault);
        }
    }
    m_callFaults = std::move(planned);
    return {};
}

std::optional<FaultPlan::CallFault> FaultPlan::faultAt(const QString& method, qint64 number) const
{
    const auto planned = m_callFaults.constFind(method);
    if (planned == m_callFaults.cend())
        return std::nullopt;
    const auto fault = planned->constFind(number);
    if (fault == planned->cend())
        return std::nullopt;
    return *fault;
}

bool FaultPlan::endsAfter(quint64 answered) const
{
    return exitAfterCalls >= 0 && answered >= quint64(exitAfterCalls);
}

bool FaultPlan::failsExportOf(const QStringList& versionIds) const
{
    for (const QString& id : versionIds)
        if (failingExports.contains(id))
            return true;
    return false;
}

QString FaultPlan::versionIdOf(const QString& objectPath)
{
    const auto object = ScriptingObject::parse(objectPath);
    return object && object->kind() == ScriptingObject::Kind::Version ? object->key() : QString();
}

QVariant FaultPlan::spoiledProperty(const QString& objectPath, const QString& name,
                                    QVariant value) const
{
    const QString versionId = versionIdOf(objectPath);
    if (versionId.isEmpty())
        return value;
    return spoiledValue(versionId, name, std::move(value));
}

QVariantList FaultPlan::spoiledBulkRead(const QVariantList& objects, const QStringList& keys,
                                        QVariantList columns) const
{
    QStringList versionIds;
    for (const QVariant& path : objects)
        versionIds.append(versionIdOf(path.value<QDBusObjectPath>().path()));
    for (qsizetype k = 0; k < keys.size() && k < columns.size(); ++k) {
        QVariantList column = columns[k].toList();
        for (qsizetype i = 0; i < column.size() && i < versionIds.size(); ++i)
            if (!versionIds[i].isEmpty())
                column[i] = spoiledValue(versionIds[i], keys[k], std::move(column[i]));
        if (inconsistentTagLists && keys[k].endsWith(QLatin1String("Tags.value")) &&
            !column.isEmpty())
            column.removeLast();
        columns[k] = column;
    }
    return columns;
}

QVariant FaultPlan::spoiledValue(const QString& versionId, const QString& key, QVariant value) const
{
    if (key == QLatin1String("height") && zeroHeightIds.contains(versionId))
        return 0;
    if (noFileSizeIds.contains(versionId) && key.startsWith(QLatin1String("otherTags."))) {
        const qsizetype fileSize =
            ScriptingModel::otherTagNames().indexOf(QStringLiteral("FileSize"));
        if (value.metaType().id() == QMetaType::QStringList) {
            QStringList names = value.toStringList();
            if (fileSize < names.size())
                names.removeAt(fileSize);
            value = names;
        } else if (value.metaType().id() == QMetaType::QVariantList) {
            QVariantList values = value.toList();
            if (fileSize < values.size())
                values.removeAt(fileSize);
            value = values;
        }
    }
    if (key.endsWith(QLatin1String("Tags.value")) && mismatchedTagIds.contains(versionId)) {
        QVariantList shortened = value.toList();
        if (!shortened.isEmpty())
            shortened.removeLast();
        return shortened;
    }
    return value;
}
