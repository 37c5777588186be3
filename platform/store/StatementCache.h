#pragma once

#include "platform/base/Result.h"
#include "platform/store/SQLiteStatement.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

namespace store {

class SQLiteDatabase;

// The prepared statements of one connection, kept by their SQL so that each is prepared once.
// A statement is lent out for one use and comes back reset, with its bindings cleared. Asking
// for SQL whose statement is out (a query run while another is being read) prepares a second
// one. clear() forgets them all, for when the schema changes: a statement out at the time is
// finalized when it comes back rather than kept.
class StatementCache {
public:
    explicit StatementCache(const SQLiteDatabase& database)
        : database_(&database) {}
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;

    class Lease {
    public:
        Lease(Lease&& other) noexcept;
        Lease& operator=(Lease&&) = delete;
        ~Lease();

        SQLiteStatement& operator*() { return statement_; }
        SQLiteStatement* operator->() { return &statement_; }

    private:
        friend class StatementCache;
        Lease(StatementCache& cache, std::string sql, SQLiteStatement statement,
              std::uint64_t generation);

        StatementCache* cache_;
        std::string sql_;
        SQLiteStatement statement_;
        std::uint64_t generation_;
    };

    // The statement for `sql`, prepared now unless one is waiting in the cache.
    base::Result<Lease> statement(const std::string& sql);
    void clear();

    // Statements waiting in the cache, and how many were prepared in all (for tests).
    std::size_t size() const { return statements_.size(); }
    std::size_t preparations() const { return preparations_; }

private:
    void giveBack(std::string sql, SQLiteStatement statement, std::uint64_t generation);

    const SQLiteDatabase* database_;
    std::unordered_map<std::string, SQLiteStatement> statements_;
    std::uint64_t generation_ = 0;
    std::size_t preparations_ = 0;
};

} // namespace store
