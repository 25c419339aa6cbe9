#include "Database.h"

#include "PeerError.h"

#include <sqlite3.h>

namespace {
constexpr int kBusyTimeoutMs = 1500;
}

Database::Database(const QString& path, bool create) : m_path(path)
{
    // One thread uses a connection (see the header): no SQLite mutexes.
    const int flags =
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    const int code = sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags, nullptr);
    if (code != SQLITE_OK) {
        const QString message = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db))
                                     : QString::fromUtf8(sqlite3_errstr(code));
        sqlite3_close(m_db);
        m_db = nullptr;
        throw PeerError(PeerError::Code::NotALibrary,
                        QStringLiteral("cannot open the database %1: %2").arg(path, message));
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    exec("PRAGMA foreign_keys = ON");
    // WAL lets commands change the library while a server reads it; NORMAL
    // keeps every commit atomic and durable against a killed process.
    Statement mode(m_db, "PRAGMA journal_mode = WAL");
    mode.step();
    exec("PRAGMA synchronous = NORMAL");
}

Database::~Database()
{
    m_cache.clear();
    sqlite3_close(m_db);
}

void Database::exec(const char* sql)
{
    char* message = nullptr;
    const int code = sqlite3_exec(m_db, sql, nullptr, nullptr, &message);
    if (code == SQLITE_OK)
        return;
    const QString text = QString::fromUtf8(message ? message : sqlite3_errstr(code));
    sqlite3_free(message);
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
        throw PeerError(
            PeerError::Code::LibraryBusy,
            QStringLiteral("the library's database is locked by another process (%1)").arg(text));
    throw PeerError(
        PeerError::Code::Database,
        QStringLiteral("\"%1\" failed: %2").arg(QString::fromUtf8(sql).simplified(), text));
}

Statement& Database::cached(const char* sql)
{
    auto it = m_cache.find(sql);
    if (it == m_cache.end())
        it = m_cache.emplace(sql, std::make_unique<Statement>(m_db, sql)).first;
    it->second->reset();
    return *it->second;
}

void Database::resetCached()
{
    for (auto& entry : m_cache)
        entry.second->reset();
}

qint64 Database::lastInsertId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

int Database::changes() const
{
    return sqlite3_changes(m_db);
}

int Database::userVersion()
{
    Statement statement(m_db, "PRAGMA user_version");
    return statement.step() ? int(statement.integer(0)) : 0;
}

void Database::setUserVersion(int version)
{
    exec(QByteArray("PRAGMA user_version = " + QByteArray::number(version)).constData());
}

bool Database::inTransaction() const
{
    return !sqlite3_get_autocommit(m_db);
}
