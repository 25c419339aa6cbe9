#include "Catalog.h"

#include "Library.h"
#include "PeerError.h"

#include <QDateTime>
#include <QFileInfo>

#include <unistd.h>

namespace {

#define VERSION_COLUMNS                                                                            \
    "SELECT v.id, v.uuid, v.master_id, m.project_id, IFNULL(v.stack_id, 0), v.name, "              \
    "v.master_width, v.master_height, v.main_rating, v.flagged, v.latitude, v.longitude, "         \
    "v.exposure, v.rotation FROM versions v JOIN masters m ON m.id = v.master_id "                 \
    "JOIN projects p ON p.id = m.project_id "

const char* const kVersionByUuid = VERSION_COLUMNS "WHERE v.uuid = ?1 AND p.trashed = 0";
const char* const kVersionById = VERSION_COLUMNS "WHERE v.id = ?1";
const char* const kAllVersions = VERSION_COLUMNS "WHERE p.trashed = 0 OR ?1 ORDER BY v.id";
const char* const kProjectVersions =
    "SELECT v.id FROM versions v JOIN masters m ON m.id = v.master_id WHERE m.project_id = ?1 "
    "ORDER BY v.id";
const char* const kMasterFiles = "SELECT id, position, path, referenced, file_size, kind "
                                 "FROM master_files WHERE master_id = ?1 ORDER BY position";
const char* const kKeywords = "SELECT k.id, k.name, k.parents FROM version_keywords vk "
                              "JOIN keywords k ON k.id = vk.keyword_id WHERE vk.version_id = ?1 "
                              "ORDER BY vk.position";
const char* const kTags = "SELECT id, kind, name, value_type, value FROM tags "
                          "WHERE version_id = ?1 AND kind = ?2 ORDER BY position";
const char* const kAlbumVersions =
    "SELECT av.version_id FROM album_versions av JOIN versions v ON v.id = av.version_id "
    "JOIN masters m ON m.id = v.master_id JOIN projects p ON p.id = m.project_id "
    "WHERE av.album_id = ?1 AND p.trashed = 0 ORDER BY av.position";
const char* const kSelection =
    "SELECT s.version_id FROM selection s JOIN versions v ON v.id = s.version_id "
    "JOIN masters m ON m.id = v.master_id JOIN projects p ON p.id = m.project_id "
    "WHERE p.trashed = 0 ORDER BY s.position";

QVariant tagValue(const QString& type, const Statement& row, int column)
{
    if (row.isNull(column))
        return {};
    if (type == QLatin1String("integer"))
        return QVariant::fromValue<qint64>(row.integer(column));
    if (type == QLatin1String("real"))
        return row.real(column);
    if (type == QLatin1String("boolean"))
        return row.integer(column) != 0;
    if (type == QLatin1String("date"))
        return QDateTime::fromMSecsSinceEpoch(row.integer(column), Qt::UTC);
    return row.text(column);
}

void requireChange(Database& db, const QString& what)
{
    if (db.changes() == 0)
        throw PeerError(PeerError::Code::NoSuchObject, what);
}

} // namespace

QString MasterFileRecord::fileName() const
{
    return QFileInfo(storedPath).fileName();
}

Catalog::Catalog(Library& library) : m_library(library) {}

QString Catalog::tagValueType(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::QString:
        return QStringLiteral("text");
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return QStringLiteral("integer");
    case QMetaType::Double:
        return QStringLiteral("real");
    case QMetaType::Bool:
        return QStringLiteral("boolean");
    case QMetaType::QDateTime:
        return QStringLiteral("date");
    default:
        return {};
    }
}

// Projects ------------------------------------------------------------------

QList<ProjectRecord> Catalog::projects(bool includeTrashed)
{
    Statement& row = m_library.db().cached(
        "SELECT id, name, trashed FROM projects WHERE trashed = 0 OR ?1 ORDER BY id");
    row.bind(1, qint64(includeTrashed));
    QList<ProjectRecord> result;
    while (row.step())
        result.append({row.integer(0), row.text(1), row.integer(2) != 0});
    return result;
}

std::optional<ProjectRecord> Catalog::project(qint64 id)
{
    Statement& row = m_library.db().cached("SELECT id, name, trashed FROM projects WHERE id = ?1");
    row.bind(1, id);
    if (!row.step())
        return std::nullopt;
    return ProjectRecord{row.integer(0), row.text(1), row.integer(2) != 0};
}

std::optional<ProjectRecord> Catalog::projectNamed(const QString& name)
{
    Statement& row = m_library.db().cached(
        "SELECT id FROM projects WHERE name = ?1 AND trashed = 0 ORDER BY id LIMIT 1");
    row.bind(1, name);
    if (!row.step())
        return std::nullopt;
    return project(row.integer(0));
}

qint64 Catalog::createProject(const QString& name)
{
    m_library.db().cached("INSERT INTO projects (name) VALUES (?1)").bind(1, name).run();
    return m_library.db().lastInsertId();
}

void Catalog::trashProject(qint64 id)
{
    m_library.db()
        .cached("UPDATE projects SET trashed = 1, trashed_at = ?2 WHERE id = ?1 AND trashed = 0")
        .bind(1, id)
        .bind(2, QDateTime::currentMSecsSinceEpoch())
        .run();
    requireChange(m_library.db(), QStringLiteral("no project %1 outside the trash").arg(id));
}

void Catalog::restoreProject(qint64 id)
{
    m_library.db()
        .cached("UPDATE projects SET trashed = 0, trashed_at = NULL WHERE id = ?1 AND trashed = 1")
        .bind(1, id)
        .run();
    requireChange(m_library.db(), QStringLiteral("no project %1 in the trash").arg(id));
}

QStringList Catalog::emptyTrash()
{
    Database& db = m_library.db();
    QStringList managedFiles;
    Statement files = db.prepare(
        "SELECT f.path FROM master_files f JOIN masters m ON m.id = f.master_id "
        "JOIN projects p ON p.id = m.project_id WHERE p.trashed = 1 AND f.referenced = 0");
    while (files.step())
        managedFiles.append(m_library.absoluteMasterPath(files.text(0), false));
    // Cascades remove masters, files, versions, their tags, keywords,
    // album memberships and selection entries.
    db.exec("DELETE FROM projects WHERE trashed = 1");
    db.exec("DELETE FROM stacks WHERE id NOT IN (SELECT stack_id FROM versions "
            "WHERE stack_id IS NOT NULL)");
    return managedFiles;
}

// Versions ------------------------------------------------------------------

VersionRecord Catalog::readVersion(const Statement& row) const
{
    VersionRecord v;
    v.id = row.integer(0);
    v.uuid = row.text(1);
    v.masterId = row.integer(2);
    v.projectId = row.integer(3);
    v.stackId = row.integer(4);
    v.name = row.text(5);
    v.masterWidth = int(row.integer(6));
    v.masterHeight = int(row.integer(7));
    v.mainRating = int(row.integer(8));
    v.flagged = row.integer(9) != 0;
    v.latitude = row.real(10);
    v.longitude = row.real(11);
    v.exposure = row.real(12);
    v.rotation = int(row.integer(13));
    return v;
}

std::optional<VersionRecord> Catalog::version(const QString& uuid)
{
    Statement& row = m_library.db().cached(kVersionByUuid);
    row.bind(1, uuid);
    if (!row.step())
        return std::nullopt;
    return readVersion(row);
}

std::optional<VersionRecord> Catalog::versionById(qint64 id)
{
    Statement& row = m_library.db().cached(kVersionById);
    row.bind(1, id);
    if (!row.step())
        return std::nullopt;
    return readVersion(row);
}

QList<VersionRecord> Catalog::versions(bool includeTrashed)
{
    Statement& row = m_library.db().cached(kAllVersions);
    row.bind(1, qint64(includeTrashed));
    QList<VersionRecord> result;
    while (row.step())
        result.append(readVersion(row));
    return result;
}

QList<qint64> Catalog::projectVersionIds(qint64 projectId)
{
    Statement& row = m_library.db().cached(kProjectVersions);
    row.bind(1, projectId);
    QList<qint64> ids;
    while (row.step())
        ids.append(row.integer(0));
    return ids;
}

bool Catalog::isTrashed(const VersionRecord& version)
{
    const auto owner = project(version.projectId);
    return !owner || owner->trashed;
}

void Catalog::setVersionName(qint64 id, const QString& name)
{
    m_library.db()
        .cached("UPDATE versions SET name = ?2 WHERE id = ?1")
        .bind(1, id)
        .bind(2, name)
        .run();
}

void Catalog::setMainRating(qint64 id, int rating)
{
    m_library.db()
        .cached("UPDATE versions SET main_rating = ?2 WHERE id = ?1")
        .bind(1, id)
        .bind(2, rating)
        .run();
}

void Catalog::setFlagged(qint64 id, bool flagged)
{
    m_library.db()
        .cached("UPDATE versions SET flagged = ?2 WHERE id = ?1")
        .bind(1, id)
        .bind(2, qint64(flagged))
        .run();
}

void Catalog::setLatitude(qint64 id, double latitude)
{
    m_library.db()
        .cached("UPDATE versions SET latitude = ?2 WHERE id = ?1")
        .bind(1, id)
        .bind(2, latitude)
        .run();
}

void Catalog::setLongitude(qint64 id, double longitude)
{
    m_library.db()
        .cached("UPDATE versions SET longitude = ?2 WHERE id = ?1")
        .bind(1, id)
        .bind(2, longitude)
        .run();
}

void Catalog::setAdjustments(qint64 id, double exposure, int rotation)
{
    m_library.db()
        .cached("UPDATE versions SET exposure = ?2, rotation = ?3 WHERE id = ?1")
        .bind(1, id)
        .bind(2, exposure)
        .bind(3, rotation)
        .run();
}

void Catalog::setMasterSize(qint64 versionId, int width, int height)
{
    m_library.db()
        .cached("UPDATE versions SET master_width = ?2, master_height = ?3 WHERE id = ?1")
        .bind(1, versionId)
        .bind(2, width)
        .bind(3, height)
        .run();
}

void Catalog::moveToProject(const VersionRecord& version, qint64 projectId)
{
    Database& db = m_library.db();
    if (version.stackId == 0) {
        db.cached("UPDATE masters SET project_id = ?2 WHERE id = ?1")
            .bind(1, version.masterId)
            .bind(2, projectId)
            .run();
        return;
    }
    db.cached("UPDATE masters SET project_id = ?2 WHERE id IN "
              "(SELECT master_id FROM versions WHERE stack_id = ?1)")
        .bind(1, version.stackId)
        .bind(2, projectId)
        .run();
}

qint64 Catalog::stack(const QList<qint64>& versionIds)
{
    Database& db = m_library.db();
    db.exec("INSERT INTO stacks DEFAULT VALUES");
    const qint64 stackId = db.lastInsertId();
    for (qint64 id : versionIds) {
        db.cached("UPDATE versions SET stack_id = ?2 WHERE id = ?1")
            .bind(1, id)
            .bind(2, stackId)
            .run();
        requireChange(db, QStringLiteral("no image version %1").arg(id));
    }
    return stackId;
}

// Masters -------------------------------------------------------------------

qint64 Catalog::insertMaster(qint64 projectId)
{
    m_library.db().cached("INSERT INTO masters (project_id) VALUES (?1)").bind(1, projectId).run();
    return m_library.db().lastInsertId();
}

void Catalog::insertMasterFile(qint64 masterId, int position, const QString& storedPath,
                               bool referenced, qint64 size, const QString& kind)
{
    m_library.db()
        .cached("INSERT INTO master_files (master_id, position, path, referenced, file_size, kind) "
                "VALUES (?1, ?2, ?3, ?4, ?5, ?6)")
        .bind(1, masterId)
        .bind(2, position)
        .bind(3, storedPath)
        .bind(4, qint64(referenced))
        .bind(5, size)
        .bind(6, kind)
        .run();
}

qint64 Catalog::insertVersion(const VersionRecord& v)
{
    m_library.db()
        .cached("INSERT INTO versions (uuid, master_id, name, master_width, master_height, "
                "main_rating, flagged, latitude, longitude, exposure, rotation, created) "
                "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)")
        .bind(1, v.uuid)
        .bind(2, v.masterId)
        .bind(3, v.name)
        .bind(4, v.masterWidth)
        .bind(5, v.masterHeight)
        .bind(6, v.mainRating)
        .bind(7, qint64(v.flagged))
        .bind(8, v.latitude)
        .bind(9, v.longitude)
        .bind(10, v.exposure)
        .bind(11, v.rotation)
        .bind(12, QDateTime::currentMSecsSinceEpoch())
        .run();
    return m_library.db().lastInsertId();
}

QList<MasterFileRecord> Catalog::masterFiles(qint64 masterId)
{
    Statement& row = m_library.db().cached(kMasterFiles);
    row.bind(1, masterId);
    QList<MasterFileRecord> files;
    while (row.step()) {
        MasterFileRecord file;
        file.id = row.integer(0);
        file.position = int(row.integer(1));
        file.storedPath = row.text(2);
        file.referenced = row.integer(3) != 0;
        file.size = row.integer(4);
        file.kind = row.text(5);
        file.absolutePath = m_library.absoluteMasterPath(file.storedPath, file.referenced);
        files.append(file);
    }
    return files;
}

void Catalog::setMasterFileSize(qint64 fileId, qint64 size)
{
    m_library.db()
        .cached("UPDATE master_files SET file_size = ?2 WHERE id = ?1")
        .bind(1, fileId)
        .bind(2, size)
        .run();
}

bool Catalog::isOnline(qint64 masterId)
{
    const QList<MasterFileRecord> files = masterFiles(masterId);
    if (files.isEmpty())
        return false;
    for (const MasterFileRecord& file : files) {
        const QByteArray path = file.absolutePath.toUtf8();
        if (!QFileInfo(file.absolutePath).isFile() || ::access(path.constData(), R_OK) != 0)
            return false;
    }
    return true;
}

// Keywords and tags ---------------------------------------------------------

QList<KeywordRecord> Catalog::keywords(qint64 versionId)
{
    Statement& row = m_library.db().cached(kKeywords);
    row.bind(1, versionId);
    QList<KeywordRecord> result;
    while (row.step())
        result.append({row.integer(0), row.text(1), row.text(2)});
    return result;
}

std::optional<KeywordRecord> Catalog::keyword(qint64 id)
{
    Statement& row = m_library.db().cached("SELECT id, name, parents FROM keywords WHERE id = ?1");
    row.bind(1, id);
    if (!row.step())
        return std::nullopt;
    return KeywordRecord{row.integer(0), row.text(1), row.text(2)};
}

qint64 Catalog::addKeyword(qint64 versionId, const QString& name, const QString& parents)
{
    Database& db = m_library.db();
    db.cached("INSERT OR IGNORE INTO keywords (name, parents) VALUES (?1, ?2)")
        .bind(1, name)
        .bind(2, parents)
        .run();
    Statement& find = db.cached("SELECT id FROM keywords WHERE name = ?1 AND parents = ?2");
    find.bind(1, name).bind(2, parents);
    find.step();
    const qint64 keywordId = find.integer(0);
    find.reset();
    db.cached("INSERT OR IGNORE INTO version_keywords (version_id, keyword_id, position) "
              "VALUES (?1, ?2, (SELECT IFNULL(MAX(position), -1) + 1 FROM version_keywords "
              "WHERE version_id = ?1))")
        .bind(1, versionId)
        .bind(2, keywordId)
        .run();
    return keywordId;
}

QList<TagRecord> Catalog::tags(qint64 versionId, const QString& kind)
{
    Statement& row = m_library.db().cached(kTags);
    row.bind(1, versionId).bind(2, kind);
    QList<TagRecord> result;
    while (row.step())
        result.append({row.integer(0), row.text(1), row.text(2), tagValue(row.text(3), row, 4)});
    return result;
}

std::optional<TagRecord> Catalog::tag(qint64 id, qint64* versionId)
{
    Statement& row = m_library.db().cached(
        "SELECT id, kind, name, value_type, value, version_id FROM tags WHERE id = ?1");
    row.bind(1, id);
    if (!row.step())
        return std::nullopt;
    if (versionId)
        *versionId = row.integer(5);
    return TagRecord{row.integer(0), row.text(1), row.text(2), tagValue(row.text(3), row, 4)};
}

qint64 Catalog::setTag(qint64 versionId, const QString& kind, const QString& name,
                       const QVariant& value)
{
    const QString type = tagValueType(value);
    if (type.isEmpty())
        throw PeerError(PeerError::Code::WrongType,
                        QStringLiteral("a tag's value is text, a number, a boolean or a date, "
                                       "not %1")
                            .arg(value.isValid() ? QString::fromLatin1(value.metaType().name())
                                                 : QStringLiteral("null")));
    const QVariant stored = type == QLatin1String("date")
                                ? QVariant::fromValue(value.toDateTime().toMSecsSinceEpoch())
                                : value;
    Database& db = m_library.db();
    db.cached(
          "INSERT INTO tags (version_id, kind, name, value_type, value, position) "
          "VALUES (?1, ?2, ?3, ?4, ?5, (SELECT IFNULL(MAX(position), -1) + 1 FROM tags "
          "WHERE version_id = ?1 AND kind = ?2)) "
          "ON CONFLICT (version_id, kind, name) DO UPDATE SET value_type = excluded.value_type, "
          "value = excluded.value")
        .bind(1, versionId)
        .bind(2, kind)
        .bind(3, name)
        .bind(4, type)
        .bindValue(5, stored)
        .run();
    Statement& find =
        db.cached("SELECT id FROM tags WHERE version_id = ?1 AND kind = ?2 AND name = ?3");
    find.bind(1, versionId).bind(2, kind).bind(3, name);
    find.step();
    const qint64 id = find.integer(0);
    find.reset();
    return id;
}

void Catalog::removeTags(qint64 versionId, const QString& kind)
{
    m_library.db()
        .cached("DELETE FROM tags WHERE version_id = ?1 AND kind = ?2")
        .bind(1, versionId)
        .bind(2, kind)
        .run();
}

// Albums and the selection --------------------------------------------------

QList<AlbumRecord> Catalog::albums()
{
    Statement& row = m_library.db().cached("SELECT id, name FROM albums ORDER BY position, id");
    QList<AlbumRecord> result;
    while (row.step())
        result.append({row.integer(0), row.text(1)});
    return result;
}

std::optional<AlbumRecord> Catalog::album(qint64 id)
{
    Statement& row = m_library.db().cached("SELECT id, name FROM albums WHERE id = ?1");
    row.bind(1, id);
    if (!row.step())
        return std::nullopt;
    return AlbumRecord{row.integer(0), row.text(1)};
}

std::optional<AlbumRecord> Catalog::albumNamed(const QString& name)
{
    Statement& row = m_library.db().cached(
        "SELECT id FROM albums WHERE name = ?1 ORDER BY position, id LIMIT 1");
    row.bind(1, name);
    if (!row.step())
        return std::nullopt;
    return album(row.integer(0));
}

qint64 Catalog::createAlbum(const QString& name)
{
    m_library.db()
        .cached("INSERT INTO albums (name, position) "
                "VALUES (?1, (SELECT IFNULL(MAX(position), -1) + 1 FROM albums))")
        .bind(1, name)
        .run();
    return m_library.db().lastInsertId();
}

void Catalog::setAlbumName(qint64 id, const QString& name)
{
    m_library.db()
        .cached("UPDATE albums SET name = ?2 WHERE id = ?1")
        .bind(1, id)
        .bind(2, name)
        .run();
}

void Catalog::setProjectName(qint64 id, const QString& name)
{
    m_library.db()
        .cached("UPDATE projects SET name = ?2 WHERE id = ?1")
        .bind(1, id)
        .bind(2, name)
        .run();
}

QList<qint64> Catalog::albumVersionIds(qint64 albumId)
{
    Statement& row = m_library.db().cached(kAlbumVersions);
    row.bind(1, albumId);
    QList<qint64> ids;
    while (row.step())
        ids.append(row.integer(0));
    return ids;
}

void Catalog::addToAlbum(qint64 albumId, qint64 versionId)
{
    m_library.db()
        .cached("INSERT OR IGNORE INTO album_versions (album_id, version_id, position) "
                "VALUES (?1, ?2, (SELECT IFNULL(MAX(position), -1) + 1 FROM album_versions "
                "WHERE album_id = ?1))")
        .bind(1, albumId)
        .bind(2, versionId)
        .run();
}

QList<qint64> Catalog::selection()
{
    Statement& row = m_library.db().cached(kSelection);
    QList<qint64> ids;
    while (row.step())
        ids.append(row.integer(0));
    return ids;
}

void Catalog::setSelection(const QList<qint64>& versionIds)
{
    Database& db = m_library.db();
    db.exec("DELETE FROM selection");
    qint64 position = 0;
    for (qint64 id : versionIds)
        db.cached("INSERT OR IGNORE INTO selection (position, version_id) VALUES (?1, ?2)")
            .bind(1, position++)
            .bind(2, id)
            .run();
}
