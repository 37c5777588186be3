#pragma once

#include "platform/base/Data.h"
#include "platform/base/Value.h"

#include <cstdint>
#include <optional>
#include <string>

struct sqlite3_stmt;

namespace store {

// One prepared SQLite statement, finalized when it goes. Parameters are always bound through
// the bind calls; SQL text never carries values. Columns and parameters count as SQLite does:
// columns from 0, parameters from 1.
class SQLiteStatement {
public:
    SQLiteStatement() = default;
    explicit SQLiteStatement(sqlite3_stmt* statement)
        : statement_(statement) {}
    SQLiteStatement(SQLiteStatement&& other) noexcept;
    SQLiteStatement& operator=(SQLiteStatement&& other) noexcept;
    SQLiteStatement(const SQLiteStatement&) = delete;
    SQLiteStatement& operator=(const SQLiteStatement&) = delete;
    ~SQLiteStatement();

    // Binds null, a number, text, bytes or a date (as seconds since 1970). Arrays and
    // dictionaries have no column form and bind as null. Returns the SQLite result code.
    int bind(int index, const base::Value& value);
    // The same without copying text and bytes: the value must stay as it is until the
    // statement has been stepped for the last time with this binding.
    int bindReferenced(int index, const base::Value& value);
    int bindInt64(int index, std::int64_t value);
    int bindNull(int index);

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    // Ready to run again; bindings are kept.
    void reset();
    // Every parameter back to null.
    void clearBindings();

    bool isNull(int column) const;
    std::int64_t int64(int column) const;
    double real(int column) const;
    std::string text(int column) const;
    // nullopt for NULL.
    std::optional<std::string> textIfAny(int column) const;
    base::Data blob(int column) const;

    sqlite3_stmt* handle() const { return statement_; }

private:
    int bind(int index, const base::Value& value, bool copy);

    sqlite3_stmt* statement_ = nullptr;
};

} // namespace store
