#pragma once

#include "Database.h"

#include <QString>

#include <memory>

/// A photo library on disk: a folder `NAME.aplibrary` holding
/// `Database/Library.apdb` (SQLite) and `Masters/` (the managed master files).
///
/// Opening checks that the folder is a library and brings its schema up to
/// date (the schema version is the database's user_version); a library made
/// by a newer version is refused rather than damaged. Used by one thread.
/// Errors throw PeerError (NotALibrary, AlreadyExists, Database).
class Library {
public:
    static constexpr int SchemaVersion = 1;
    static constexpr const char* Suffix = ".aplibrary";

    /// Creates an empty library at `path` (which must end in ".aplibrary"
    /// and must not exist yet, or be an empty folder).
    static void create(const QString& path);
    /// Opens an existing library.
    explicit Library(const QString& path);

    QString path() const { return m_path; }
    /// The folder name without ".aplibrary".
    QString name() const;
    QString mastersPath() const { return m_path + QStringLiteral("/Masters"); }
    QString databasePath() const { return databasePath(m_path); }
    static QString databasePath(const QString& libraryPath);
    /// Where a master file lies: under Masters/ when managed, as stored when
    /// referenced.
    QString absoluteMasterPath(const QString& storedPath, bool referenced) const;

    Database& db() { return *m_db; }

private:
    void migrate();

    QString m_path;
    std::unique_ptr<Database> m_db;
};
