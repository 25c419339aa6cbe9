#include "Transaction.h"

#include "Database.h"
#include "PeerError.h"

Transaction::Transaction(Database& db, Kind kind) : m_db(db)
{
    m_db.exec(kind == Kind::Write ? "BEGIN IMMEDIATE" : "BEGIN DEFERRED");
}

Transaction::~Transaction()
{
    if (!m_open)
        return;
    try {
        m_db.resetCached();
        m_db.exec("ROLLBACK");
    } catch (const PeerError&) {
        // SQLite has already rolled back (a failed COMMIT, an I/O error):
        // nothing is left to undo.
    }
}

void Transaction::commit()
{
    m_db.resetCached();
    m_db.exec("COMMIT");
    m_open = false;
}
