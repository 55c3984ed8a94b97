#pragma once
// A thin hold on SQLite: a connection and its prepared statements, with
// failures raised as errors that carry SQLite's own text and whether the
// file is damaged or no database at all.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Error.h"

struct sqlite3;
struct sqlite3_stmt;

namespace vellumine {

class SqliteError : public Error {
public:
    SqliteError(const std::string& message, int code) : Error(message), FCode(code) {}
    // The file is corrupt or not a database: it is to be rebuilt, not trusted.
    bool Damaged() const;
    // Another connection holds the lock longer than the wait allows.
    bool Busy() const;

private:
    int FCode;
};

class SqliteDatabase {
public:
    // Opens (or creates) the database file; waits up to `busyMilliseconds`
    // for a lock another connection holds.
    SqliteDatabase(const std::string& path, int busyMilliseconds);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    void Execute(const std::string& sql);
    std::int64_t LastInsertId() const;
    sqlite3* Handle() const { return FHandle; }
    // Closing leaves the write-ahead log as it is, for the next connection.
    void KeepLogOnClose();
    [[noreturn]] void Fail(int code) const;

private:
    sqlite3* FHandle = nullptr;
};

class SqliteStatement {
public:
    SqliteStatement(SqliteDatabase& database, const std::string& sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Parameters count from 1, as in SQL.
    SqliteStatement& Bind(int index, std::string_view text);
    SqliteStatement& BindBlob(int index, std::string_view bytes);
    SqliteStatement& Bind(int index, std::int64_t value);
    // True while a row is there; false when the statement is done.
    bool Step();
    // Runs a statement that returns no rows, then makes it ready again.
    void Run();
    void Reset();

    std::int64_t Integer(int column) const;
    std::string Text(int column) const;

private:
    SqliteDatabase& FDatabase;
    sqlite3_stmt* FStatement = nullptr;
};

// Runs `work` inside one write transaction (taken at once, so that two
// writers queue instead of failing); rolls back when it raises.
template <typename Work>
void InWriteTransaction(SqliteDatabase& database, Work&& work)
{
    database.Execute("BEGIN IMMEDIATE");
    try {
        work();
        database.Execute("COMMIT");
    } catch (...) {
        try {
            database.Execute("ROLLBACK");
        } catch (...) {
        }
        throw;
    }
}

}  // namespace vellumine
