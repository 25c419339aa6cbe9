#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

/// One prepared SQLite statement: bind by position (from 1), step, read the
/// columns of the current row (from 0). Reset for reuse with reset().
///
/// Owned by the thread that prepared it, like its Database. Errors throw
/// PeerError (LibraryBusy when another process holds the lock,
/// Database otherwise), with the statement's SQL and SQLite's message.
class Statement {
public:
    Statement(sqlite3* db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    Statement(Statement&& other) noexcept;

    Statement& bind(int index, qint64 value);
    Statement& bind(int index, int value) { return bind(index, qint64(value)); }
    Statement& bind(int index, double value);
    Statement& bind(int index, const QString& value);
    Statement& bindNull(int index);
    /// Binds a QVariant by its type: text, integer, real, boolean (as 0/1),
    /// invalid as NULL.
    Statement& bindValue(int index, const QVariant& value);

    /// Advances to the next row; false when there is none.
    bool step();
    /// Runs a statement that returns no rows.
    void run();
    void reset();

    qint64 integer(int column) const;
    double real(int column) const;
    QString text(int column) const;
    bool isNull(int column) const;
    /// The column as a QVariant of its stored type (NULL: invalid).
    QVariant value(int column) const;

private:
    [[noreturn]] void fail(int code) const;

    sqlite3* m_db;
    sqlite3_stmt* m_statement = nullptr;
};
