#pragma once

#include "Statement.h"

#include <QString>

#include <memory>
#include <unordered_map>

struct sqlite3;

/// A connection to a library's SQLite database, in WAL mode with foreign keys
/// enforced and a short busy time-out (so a lock held by another process
/// becomes a "LibraryBusy" error, not a hang).
///
/// Used by one thread at a time: the serving loop or a command. Errors throw
/// PeerError.
class Database {
public:
    /// Opens the file; with `create` a missing file is created.
    Database(const QString& path, bool create);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    /// Runs statements that return no rows.
    void exec(const char* sql);
    /// A new prepared statement.
    Statement prepare(const char* sql) { return Statement(m_db, sql); }
    /// A prepared statement kept for the life of the connection, reset and
    /// unbound. Finish with one use before the same SQL is asked for again.
    Statement& cached(const char* sql);
    /// Resets every kept statement, so that none holds the read snapshot
    /// open past the end of a transaction.
    void resetCached();

    qint64 lastInsertId() const;
    int changes() const;
    int userVersion();
    void setUserVersion(int version);
    bool inTransaction() const;
    QString path() const { return m_path; }

private:
    sqlite3* m_db = nullptr;
    QString m_path;
    std::unordered_map<const char*, std::unique_ptr<Statement>> m_cache;
};
