#include "Library.h"

#include "PeerError.h"
#include "Transaction.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Version 1: projects (with the library's trash), masters and their files,
// image versions with adjustments and stacks, keywords, tags, albums and the
// ordered selection.
const char* const kSchemaV1 = R"sql(
CREATE TABLE library_info (key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE projects (
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL,
    trashed INTEGER NOT NULL DEFAULT 0,
    trashed_at INTEGER
);
CREATE TABLE stacks (id INTEGER PRIMARY KEY);
CREATE TABLE masters (
    id INTEGER PRIMARY KEY,
    project_id INTEGER NOT NULL REFERENCES projects(id) ON DELETE CASCADE
);
CREATE INDEX masters_by_project ON masters(project_id);
CREATE TABLE master_files (
    id INTEGER PRIMARY KEY,
    master_id INTEGER NOT NULL REFERENCES masters(id) ON DELETE CASCADE,
    position INTEGER NOT NULL,
    path TEXT NOT NULL,
    referenced INTEGER NOT NULL,
    file_size INTEGER NOT NULL,
    kind TEXT NOT NULL CHECK (kind IN ('raw', 'jpeg', 'tiff', 'png')),
    UNIQUE (master_id, position)
);
CREATE TABLE versions (
    id INTEGER PRIMARY KEY,
    uuid TEXT NOT NULL UNIQUE,
    master_id INTEGER NOT NULL REFERENCES masters(id) ON DELETE CASCADE,
    stack_id INTEGER REFERENCES stacks(id) ON DELETE SET NULL,
    name TEXT NOT NULL,
    master_width INTEGER NOT NULL,
    master_height INTEGER NOT NULL,
    main_rating INTEGER NOT NULL DEFAULT 0 CHECK (main_rating BETWEEN -1 AND 5),
    flagged INTEGER NOT NULL DEFAULT 0,
    latitude REAL NOT NULL DEFAULT 0,
    longitude REAL NOT NULL DEFAULT 0,
    exposure REAL NOT NULL DEFAULT 0,
    rotation INTEGER NOT NULL DEFAULT 0 CHECK (rotation IN (0, 90, 180, 270)),
    created INTEGER NOT NULL
);
CREATE INDEX versions_by_master ON versions(master_id);
CREATE INDEX versions_by_stack ON versions(stack_id);
CREATE TABLE keywords (
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL,
    parents TEXT NOT NULL,
    UNIQUE (name, parents)
);
CREATE TABLE version_keywords (
    version_id INTEGER NOT NULL REFERENCES versions(id) ON DELETE CASCADE,
    keyword_id INTEGER NOT NULL REFERENCES keywords(id) ON DELETE CASCADE,
    position INTEGER NOT NULL,
    PRIMARY KEY (version_id, keyword_id)
);
CREATE TABLE tags (
    id INTEGER PRIMARY KEY,
    version_id INTEGER NOT NULL REFERENCES versions(id) ON DELETE CASCADE,
    kind TEXT NOT NULL CHECK (kind IN ('custom', 'iptc', 'exif')),
    name TEXT NOT NULL,
    value_type TEXT NOT NULL CHECK (value_type IN ('text', 'integer', 'real', 'boolean', 'date')),
    value ANY,
    position INTEGER NOT NULL,
    UNIQUE (version_id, kind, name)
);
CREATE INDEX tags_in_order ON tags(version_id, kind, position);
CREATE TABLE albums (
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL,
    position INTEGER NOT NULL
);
CREATE TABLE album_versions (
    album_id INTEGER NOT NULL REFERENCES albums(id) ON DELETE CASCADE,
    version_id INTEGER NOT NULL REFERENCES versions(id) ON DELETE CASCADE,
    position INTEGER NOT NULL,
    PRIMARY KEY (album_id, version_id)
);
CREATE TABLE selection (
    position INTEGER PRIMARY KEY,
    version_id INTEGER NOT NULL UNIQUE REFERENCES versions(id) ON DELETE CASCADE
);
)sql";

} // namespace

void Library::create(const QString& path)
{
    if (!path.endsWith(QLatin1String(Suffix)))
        throw PeerError(PeerError::Code::InvalidArgument,
                        QStringLiteral("a library's folder name ends in %1: %2")
                            .arg(QLatin1String(Suffix), path));
    QDir dir(path);
    if (dir.exists() && !dir.isEmpty())
        throw PeerError(PeerError::Code::AlreadyExists,
                        QStringLiteral("%1 exists and is not empty").arg(path));
    if (!QDir().mkpath(path + QStringLiteral("/Database")) ||
        !QDir().mkpath(path + QStringLiteral("/Masters")))
        throw PeerError(PeerError::Code::Io,
                        QStringLiteral("cannot create the folders of %1").arg(path));
    Database db(databasePath(path), true);
    Transaction transaction(db, Transaction::Kind::Write);
    db.exec(kSchemaV1);
    db.setUserVersion(SchemaVersion);
    transaction.commit();
}

Library::Library(const QString& path) : m_path(QFileInfo(path).absoluteFilePath())
{
    if (!QFileInfo(m_path).isDir())
        throw PeerError(PeerError::Code::NotALibrary,
                        QStringLiteral("%1 is not a library: no such folder").arg(path));
    if (!QFileInfo(databasePath()).isFile())
        throw PeerError(
            PeerError::Code::NotALibrary,
            QStringLiteral("%1 is not a library: it holds no Database/Library.apdb").arg(path));
    try {
        m_db = std::make_unique<Database>(databasePath(), false);
    } catch (const PeerError& error) {
        if (error.code() == PeerError::Code::LibraryBusy)
            throw;
        throw PeerError(PeerError::Code::NotALibrary,
                        QStringLiteral("%1 is not a library: %2").arg(path, error.reason()));
    }
    migrate();
}

QString Library::name() const
{
    QString base = QFileInfo(m_path).fileName();
    if (base.endsWith(QLatin1String(Suffix)))
        base.chop(int(qstrlen(Suffix)));
    return base;
}

QString Library::databasePath(const QString& libraryPath)
{
    return libraryPath + QStringLiteral("/Database/Library.apdb");
}

QString Library::absoluteMasterPath(const QString& storedPath, bool referenced) const
{
    return referenced ? storedPath : mastersPath() + QLatin1Char('/') + storedPath;
}

void Library::migrate()
{
    int version = 0;
    try {
        version = m_db->userVersion();
    } catch (const PeerError& error) {
        throw PeerError(PeerError::Code::NotALibrary,
                        QStringLiteral("%1 is not a library: %2").arg(m_path, error.reason()));
    }
    if (version == SchemaVersion)
        return;
    if (version > SchemaVersion)
        throw PeerError(PeerError::Code::NotALibrary,
                        QStringLiteral("%1 has schema version %2; this program knows up to %3")
                            .arg(m_path)
                            .arg(version)
                            .arg(SchemaVersion));
    throw PeerError(PeerError::Code::NotALibrary,
                    QStringLiteral("%1 is not a library: its database has no schema").arg(m_path));
}
