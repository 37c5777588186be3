#pragma once

#include "platform/base/Result.h"
#include "platform/store/SQLiteStatement.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

struct sqlite3;

namespace store {

// One SQLite connection, closed when it goes. Errors come back as store errors carrying
// SQLite's message and result code; the caller picks the code that says what failed.
class SQLiteDatabase {
public:
    SQLiteDatabase() = default;
    SQLiteDatabase(SQLiteDatabase&& other) noexcept;
    SQLiteDatabase& operator=(SQLiteDatabase&& other) noexcept;
    SQLiteDatabase(const SQLiteDatabase&) = delete;
    SQLiteDatabase& operator=(const SQLiteDatabase&) = delete;
    ~SQLiteDatabase();

    // Opens the file for reading and writing, creating it when it is missing (the folder must
    // exist). SQLite reads nothing yet: a file that is not a database fails on first use. The
    // connection is for one thread at a time, so SQLite takes no lock of its own on each call.
    static base::Result<SQLiteDatabase> open(const std::filesystem::path& path);

    base::Result<SQLiteStatement> prepare(std::string_view sql) const;
    // Runs SQL without parameters (schema changes, transaction control, pragmas).
    base::Result<void> execute(const std::string& sql) const;

    // The error for the last failure of this connection, with `result` as the SQLite code.
    base::Error error(int result, std::string_view action) const;

    std::int64_t lastInsertRowID() const;
    // Rows changed by the last INSERT, UPDATE or DELETE.
    int changes() const;
    bool inTransaction() const;
    const std::filesystem::path& path() const { return path_; }

private:
    sqlite3* db_ = nullptr;
    std::filesystem::path path_;
};

} // namespace store
