#include "platform/store/SQLiteStatement.h"

#include <limits>
#include <sqlite3.h>
#include <utility>

namespace store {

SQLiteStatement::SQLiteStatement(SQLiteStatement&& other) noexcept
    : statement_(std::exchange(other.statement_, nullptr)) {}

SQLiteStatement& SQLiteStatement::operator=(SQLiteStatement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(statement_);
        statement_ = std::exchange(other.statement_, nullptr);
    }
    return *this;
}

SQLiteStatement::~SQLiteStatement() {
    sqlite3_finalize(statement_);
}

int SQLiteStatement::bind(int index, const base::Value& value) {
    return bind(index, value, true);
}

int SQLiteStatement::bindReferenced(int index, const base::Value& value) {
    return bind(index, value, false);
}

int SQLiteStatement::bind(int index, const base::Value& value, bool copy) {
    auto* keep = copy ? SQLITE_TRANSIENT : SQLITE_STATIC;
    using Type = base::Value::Type;
    switch (value.type()) {
    case Type::Null:
    case Type::Array:
    case Type::Dictionary:
        return sqlite3_bind_null(statement_, index);
    case Type::Bool:
        return sqlite3_bind_int64(statement_, index, value.boolValue() ? 1 : 0);
    case Type::Integer:
        return sqlite3_bind_int64(statement_, index, value.integerValue());
    case Type::Unsigned:
        if (value.unsignedValue() <= std::uint64_t(std::numeric_limits<std::int64_t>::max()))
            return sqlite3_bind_int64(statement_, index, std::int64_t(value.unsignedValue()));
        return sqlite3_bind_double(statement_, index, value.doubleValue());
    case Type::Double:
    case Type::Decimal:
        return sqlite3_bind_double(statement_, index, value.doubleValue());
    case Type::String: {
        const std::string& text = *value.string();
        return sqlite3_bind_text64(statement_, index, text.data(), text.size(), keep, SQLITE_UTF8);
    }
    case Type::Data: {
        const base::Data& data = *value.data();
        // A zero-length blob still binds as a blob, not as null.
        return sqlite3_bind_blob64(statement_, index,
                                   data.empty() ? static_cast<const void*>("") : data.bytes(),
                                   data.size(), keep);
    }
    case Type::Date:
        return sqlite3_bind_double(statement_, index, value.date()->timeIntervalSince1970());
    }
    return sqlite3_bind_null(statement_, index);
}

int SQLiteStatement::bindInt64(int index, std::int64_t value) {
    return sqlite3_bind_int64(statement_, index, value);
}

int SQLiteStatement::bindNull(int index) {
    return sqlite3_bind_null(statement_, index);
}

int SQLiteStatement::step() {
    return sqlite3_step(statement_);
}

void SQLiteStatement::reset() {
    sqlite3_reset(statement_);
}

void SQLiteStatement::clearBindings() {
    sqlite3_clear_bindings(statement_);
}

bool SQLiteStatement::isNull(int column) const {
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

std::int64_t SQLiteStatement::int64(int column) const {
    return sqlite3_column_int64(statement_, column);
}

double SQLiteStatement::real(int column) const {
    return sqlite3_column_double(statement_, column);
}

std::string SQLiteStatement::text(int column) const {
    const auto* bytes = sqlite3_column_text(statement_, column);
    int size = sqlite3_column_bytes(statement_, column);
    if (!bytes)
        return {};
    return std::string(reinterpret_cast<const char*>(bytes), std::size_t(size));
}

std::optional<std::string> SQLiteStatement::textIfAny(int column) const {
    const auto* bytes = sqlite3_column_text(statement_, column);
    if (!bytes)
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(bytes),
                       std::size_t(sqlite3_column_bytes(statement_, column)));
}

base::Data SQLiteStatement::blob(int column) const {
    const void* bytes = sqlite3_column_blob(statement_, column);
    int size = sqlite3_column_bytes(statement_, column);
    if (!bytes || size <= 0)
        return {};
    return base::Data(bytes, std::size_t(size));
}

} // namespace store
