#include "Statement.h"

#include "PeerError.h"

#include <sqlite3.h>

Statement::Statement(sqlite3* db, const char* sql) : m_db(db)
{
    const int code = sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr);
    if (code != SQLITE_OK)
        throw PeerError(PeerError::Code::Database,
                        QStringLiteral("cannot prepare \"%1\": %2")
                            .arg(QString::fromUtf8(sql), QString::fromUtf8(sqlite3_errmsg(db))));
}

Statement::~Statement()
{
    sqlite3_finalize(m_statement);
}

Statement::Statement(Statement&& other) noexcept
    : m_db(other.m_db), m_statement(std::exchange(other.m_statement, nullptr))
{}

Statement& Statement::bind(int index, qint64 value)
{
    sqlite3_bind_int64(m_statement, index, value);
    return *this;
}

Statement& Statement::bind(int index, double value)
{
    sqlite3_bind_double(m_statement, index, value);
    return *this;
}

Statement& Statement::bind(int index, const QString& value)
{
    const QByteArray bytes = value.toUtf8();
    sqlite3_bind_text(m_statement, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::bindNull(int index)
{
    sqlite3_bind_null(m_statement, index);
    return *this;
}

Statement& Statement::bindValue(int index, const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::UnknownType:
        return bindNull(index);
    case QMetaType::Bool:
        return bind(index, qint64(value.toBool() ? 1 : 0));
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return bind(index, value.toLongLong());
    case QMetaType::Double:
        return bind(index, value.toDouble());
    default:
        return bind(index, value.toString());
    }
}

bool Statement::step()
{
    const int code = sqlite3_step(m_statement);
    if (code == SQLITE_ROW)
        return true;
    if (code == SQLITE_DONE)
        return false;
    fail(code);
}

void Statement::run()
{
    while (step()) {
    }
    reset();
}

void Statement::reset()
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

qint64 Statement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

double Statement::real(int column) const
{
    return sqlite3_column_double(m_statement, column);
}

QString Statement::text(int column) const
{
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return bytes ? QString::fromUtf8(bytes, sqlite3_column_bytes(m_statement, column)) : QString();
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

QVariant Statement::value(int column) const
{
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return QVariant::fromValue<qint64>(integer(column));
    case SQLITE_FLOAT:
        return real(column);
    case SQLITE_TEXT:
        return text(column);
    default:
        return {};
    }
}

void Statement::fail(int code) const
{
    const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
    const QString sql = QString::fromUtf8(sqlite3_sql(m_statement)).simplified();
    sqlite3_reset(m_statement);
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
        throw PeerError(PeerError::Code::LibraryBusy,
                        QStringLiteral("the library's database is locked by another process (%1)")
                            .arg(message));
    throw PeerError(PeerError::Code::Database,
                    QStringLiteral("\"%1\" failed: %2").arg(sql, message));
}
