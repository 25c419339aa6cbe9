#pragma once

class Database;

/// One transaction on a Database: begun by the constructor, committed by
/// commit(), rolled back by the destructor when not committed, so that an
/// exception leaves the library as it was.
///
/// `Write` takes the write lock at once (BEGIN IMMEDIATE), so a call that
/// changes the library fails early with "LibraryBusy" rather than half-way;
/// `Read` takes a read snapshot.
class Transaction {
public:
    enum class Kind { Read, Write };

    Transaction(Database& db, Kind kind);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    Database& m_db;
    bool m_open = true;
};
