#include "platform/store/StatementCache.h"

#include "platform/store/SQLiteDatabase.h"

#include <utility>

namespace store {

StatementCache::Lease::Lease(StatementCache& cache, std::string sql, SQLiteStatement statement,
                             std::uint64_t generation)
    : cache_(&cache)
    , sql_(std::move(sql))
    , statement_(std::move(statement))
    , generation_(generation) {}

StatementCache::Lease::Lease(Lease&& other) noexcept
    : cache_(std::exchange(other.cache_, nullptr))
    , sql_(std::move(other.sql_))
    , statement_(std::move(other.statement_))
    , generation_(other.generation_) {}

StatementCache::Lease::~Lease() {
    if (cache_)
        cache_->giveBack(std::move(sql_), std::move(statement_), generation_);
}

base::Result<StatementCache::Lease> StatementCache::statement(const std::string& sql) {
    if (auto found = statements_.find(sql); found != statements_.end()) {
        SQLiteStatement statement = std::move(found->second);
        statements_.erase(found);
        return Lease(*this, sql, std::move(statement), generation_);
    }
    auto prepared = database_->prepare(sql);
    if (!prepared)
        return prepared.error();
    ++preparations_;
    return Lease(*this, sql, std::move(*prepared), generation_);
}

void StatementCache::clear() {
    statements_.clear();
    ++generation_;
}

void StatementCache::giveBack(std::string sql, SQLiteStatement statement,
                              std::uint64_t generation) {
    if (!statement.handle() || generation != generation_)
        return;
    // Reset now: a statement left on a row would keep the file's read lock.
    statement.reset();
    statement.clearBindings();
    statements_.try_emplace(std::move(sql), std::move(statement));
}

} // namespace store
