#include "LibraryJson.h"

#include "Catalog.h"
#include "Library.h"

#include <QDateTime>
#include <QHash>
#include <QJsonArray>

namespace {

QJsonObject tagJson(const QString& name, const QVariant& value)
{
    QJsonObject tag{{QStringLiteral("name"), name}};
    const QString type = Catalog::tagValueType(value);
    tag.insert(QStringLiteral("type"), type);
    if (type == QLatin1String("date"))
        tag.insert(QStringLiteral("value"), value.toDateTime().toUTC().toString(Qt::ISODateWithMs));
    else
        tag.insert(QStringLiteral("value"), QJsonValue::fromVariant(value));
    return tag;
}

QJsonArray tagsJson(Catalog& catalog, qint64 versionId, const QString& kind)
{
    QJsonArray tags;
    for (const TagRecord& tag : catalog.tags(versionId, kind))
        tags.append(tagJson(tag.name, tag.value));
    return tags;
}

} // namespace

QJsonObject LibraryJson::describe(Library& library, Catalog& catalog)
{
    QHash<qint64, QString> uuids;
    QHash<qint64, QString> projectNames;
    for (const ProjectRecord& project : catalog.projects(true))
        projectNames.insert(project.id, project.name);

    QJsonArray versions;
    for (const VersionRecord& version : catalog.versions(true)) {
        uuids.insert(version.id, version.uuid);
        QJsonArray files;
        qint64 size = 0;
        const QList<MasterFileRecord> masterFiles = catalog.masterFiles(version.masterId);
        for (const MasterFileRecord& file : masterFiles) {
            size += file.size;
            files.append(QJsonObject{{QStringLiteral("path"), file.absolutePath},
                                     {QStringLiteral("referenced"), file.referenced},
                                     {QStringLiteral("size"), file.size},
                                     {QStringLiteral("kind"), file.kind}});
        }
        QJsonArray keywords;
        for (const KeywordRecord& keyword : catalog.keywords(version.id))
            keywords.append(QJsonObject{{QStringLiteral("name"), keyword.name},
                                        {QStringLiteral("parents"), keyword.parents}});
        const QJsonArray otherTags{
            tagJson(QStringLiteral("FileName"),
                    masterFiles.isEmpty() ? QString() : masterFiles.first().fileName()),
            tagJson(QStringLiteral("FileSize"), QVariant::fromValue(size)),
            tagJson(QStringLiteral("MasterProject"), projectNames.value(version.projectId))};
        versions.append(QJsonObject{
            {QStringLiteral("id"), version.uuid},
            {QStringLiteral("name"), version.name},
            {QStringLiteral("project"), version.projectId},
            {QStringLiteral("stack"), version.stackId ? QJsonValue(version.stackId) : QJsonValue()},
            {QStringLiteral("trashed"), catalog.isTrashed(version)},
            {QStringLiteral("width"), version.width()},
            {QStringLiteral("height"), version.height()},
            {QStringLiteral("masterWidth"), version.masterWidth},
            {QStringLiteral("masterHeight"), version.masterHeight},
            {QStringLiteral("mainRating"), version.mainRating},
            {QStringLiteral("flagged"), version.flagged},
            {QStringLiteral("latitude"), version.latitude},
            {QStringLiteral("longitude"), version.longitude},
            {QStringLiteral("exposure"), version.exposure},
            {QStringLiteral("rotation"), version.rotation},
            {QStringLiteral("online"), catalog.isOnline(version.masterId)},
            {QStringLiteral("masterFiles"), files},
            {QStringLiteral("keywords"), keywords},
            {QStringLiteral("customTags"), tagsJson(catalog, version.id, QStringLiteral("custom"))},
            {QStringLiteral("IPTCTags"), tagsJson(catalog, version.id, QStringLiteral("iptc"))},
            {QStringLiteral("EXIFTags"), tagsJson(catalog, version.id, QStringLiteral("exif"))},
            {QStringLiteral("otherTags"), otherTags},
        });
    }
    const auto idList = [&](const QList<qint64>& ids) {
        QJsonArray list;
        for (qint64 id : ids)
            list.append(uuids.value(id));
        return list;
    };
    QJsonArray projects;
    for (const ProjectRecord& project : catalog.projects(true))
        projects.append(QJsonObject{
            {QStringLiteral("id"), project.id},
            {QStringLiteral("name"), project.name},
            {QStringLiteral("trashed"), project.trashed},
            {QStringLiteral("versions"), idList(catalog.projectVersionIds(project.id))}});
    QJsonArray albums;
    for (const AlbumRecord& album : catalog.albums())
        albums.append(
            QJsonObject{{QStringLiteral("id"), album.id},
                        {QStringLiteral("name"), album.name},
                        {QStringLiteral("versions"), idList(catalog.albumVersionIds(album.id))}});
    return QJsonObject{{QStringLiteral("name"), library.name()},
                       {QStringLiteral("path"), library.path()},
                       {QStringLiteral("schemaVersion"), Library::SchemaVersion},
                       {QStringLiteral("projects"), projects},
                       {QStringLiteral("albums"), albums},
                       {QStringLiteral("selection"), idList(catalog.selection())},
                       {QStringLiteral("versions"), versions}};
}
