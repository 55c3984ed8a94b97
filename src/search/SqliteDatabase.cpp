#include "search/SqliteDatabase.h"

#include <sqlite3.h>

namespace vellumine {
bool SqliteError::Damaged() const
{
    const int primary = FCode & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

bool SqliteError::Busy() const
{
    const int primary = FCode & 0xFF;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

SqliteDatabase::SqliteDatabase(const std::string& path, int busyMilliseconds)
{
    const int code = sqlite3_open_v2(path.c_str(), &FHandle,
                                     SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW,
                                     nullptr);
    if (code != SQLITE_OK) {
        const std::string text = FHandle ? sqlite3_errmsg(FHandle) : sqlite3_errstr(code);
        sqlite3_close(FHandle);
        FHandle = nullptr;
        throw SqliteError("Suchindex " + path + " kann nicht geöffnet werden: " + text, code);
    }
    sqlite3_extended_result_codes(FHandle, 1);
    sqlite3_busy_timeout(FHandle, busyMilliseconds);
}

SqliteDatabase::~SqliteDatabase()
{
    sqlite3_close_v2(FHandle);
}

void SqliteDatabase::KeepLogOnClose()
{
    sqlite3_db_config(FHandle, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
}

void SqliteDatabase::Fail(int code) const
{
    throw SqliteError(std::string("Suchindex: ") + sqlite3_errmsg(FHandle), code);
}

std::int64_t SqliteDatabase::LastInsertId() const
{
    return sqlite3_last_insert_rowid(FHandle);
}

void SqliteDatabase::Execute(const std::string& sql)
{
    const int code = sqlite3_exec(FHandle, sql.c_str(), nullptr, nullptr, nullptr);
    if (code != SQLITE_OK)
        Fail(code);
}

SqliteStatement::SqliteStatement(SqliteDatabase& database, const std::string& sql) : FDatabase(database)
{
    const int code = sqlite3_prepare_v3(database.Handle(), sql.c_str(), static_cast<int>(sql.size()),
                                        SQLITE_PREPARE_PERSISTENT, &FStatement, nullptr);
    if (code != SQLITE_OK)
        database.Fail(code);
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(FStatement);
}

SqliteStatement& SqliteStatement::Bind(int index, std::string_view text)
{
    const int code = sqlite3_bind_text64(FStatement, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    if (code != SQLITE_OK)
        FDatabase.Fail(code);
    return *this;
}

SqliteStatement& SqliteStatement::BindBlob(int index, std::string_view bytes)
{
    const int code = sqlite3_bind_blob64(FStatement, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
    if (code != SQLITE_OK)
        FDatabase.Fail(code);
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, std::int64_t value)
{
    const int code = sqlite3_bind_int64(FStatement, index, value);
    if (code != SQLITE_OK)
        FDatabase.Fail(code);
    return *this;
}

bool SqliteStatement::Step()
{
    const int code = sqlite3_step(FStatement);
    if (code == SQLITE_ROW)
        return true;
    if (code == SQLITE_DONE)
        return false;
    sqlite3_reset(FStatement);
    FDatabase.Fail(code);
}

void SqliteStatement::Run()
{
    while (Step()) {
    }
    Reset();
}

void SqliteStatement::Reset()
{
    sqlite3_reset(FStatement);
    sqlite3_clear_bindings(FStatement);
}

std::int64_t SqliteStatement::Integer(int column) const
{
    return sqlite3_column_int64(FStatement, column);
}

std::string SqliteStatement::Text(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(FStatement, column));
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(FStatement, column))) : std::string();
}

}  // namespace vellumine
