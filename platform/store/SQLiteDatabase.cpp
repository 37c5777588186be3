#include "platform/store/SQLiteDatabase.h"

#include "platform/store/StoreError.h"

#include <sqlite3.h>
#include <utility>

namespace store {

SQLiteDatabase::SQLiteDatabase(SQLiteDatabase&& other) noexcept
    : db_(std::exchange(other.db_, nullptr))
    , path_(std::move(other.path_)) {}

SQLiteDatabase& SQLiteDatabase::operator=(SQLiteDatabase&& other) noexcept {
    if (this != &other) {
        sqlite3_close_v2(db_);
        db_ = std::exchange(other.db_, nullptr);
        path_ = std::move(other.path_);
    }
    return *this;
}

SQLiteDatabase::~SQLiteDatabase() {
    sqlite3_close_v2(db_);
}

base::Result<SQLiteDatabase> SQLiteDatabase::open(const std::filesystem::path& path) {
    SQLiteDatabase database;
    database.path_ = path;
    int result =
        sqlite3_open_v2(path.c_str(), &database.db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (result != SQLITE_OK) {
        std::string message = database.db_ ? sqlite3_errmsg(database.db_) : sqlite3_errstr(result);
        return storeError(PersistentStoreOpenError,
                          "The store file " + path.string() + " cannot be opened: " + message, path,
                          result);
    }
    sqlite3_extended_result_codes(database.db_, 1);
    // Another connection to the same file (a second context, a tool) may hold a lock briefly.
    sqlite3_busy_timeout(database.db_, 5000);
    return database;
}

base::Result<SQLiteStatement> SQLiteDatabase::prepare(std::string_view sql) const {
    sqlite3_stmt* statement = nullptr;
    int result = sqlite3_prepare_v2(db_, sql.data(), int(sql.size()), &statement, nullptr);
    if (result != SQLITE_OK) {
        sqlite3_finalize(statement);
        return error(result, "preparing a statement");
    }
    return SQLiteStatement(statement);
}

base::Result<void> SQLiteDatabase::execute(const std::string& sql) const {
    int result = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
    if (result != SQLITE_OK)
        return error(result, "running \"" + sql + "\"");
    return {};
}

base::Error SQLiteDatabase::error(int result, std::string_view action) const {
    std::string message = sqlite3_errstr(result);
    if (db_ && sqlite3_extended_errcode(db_) == result)
        message = sqlite3_errmsg(db_);
    return storeError(PersistentStoreOperationError,
                      std::string(action) + " failed on " + path_.string() + ": " + message, path_,
                      result);
}

std::int64_t SQLiteDatabase::lastInsertRowID() const {
    return sqlite3_last_insert_rowid(db_);
}

int SQLiteDatabase::changes() const {
    return sqlite3_changes(db_);
}

bool SQLiteDatabase::inTransaction() const {
    return db_ && !sqlite3_get_autocommit(db_);
}

} // namespace store
