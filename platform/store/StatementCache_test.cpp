#include "platform/base/AppHome.h"
#include "platform/store/SQLiteDatabase.h"
#include "platform/store/StatementCache.h"
#include "platform/testing/PlatformTest.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

using store::SQLiteDatabase;
using store::StatementCache;

class StatementCacheTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        auto opened = SQLiteDatabase::open(base::AppHome::libraryDirectory() / "Cache.sqlite");
        ASSERT_TRUE(opened);
        database_ = std::move(*opened);
        ASSERT_TRUE(database_.execute("CREATE TABLE t (a INTEGER); INSERT INTO t VALUES (1), (2)"));
    }

    // The rows the statement gives from the start, bound or not.
    static int rows(StatementCache::Lease& lease) {
        int count = 0;
        while (lease->step() == SQLITE_ROW)
            ++count;
        return count;
    }

    SQLiteDatabase database_;
};

TEST_F(StatementCacheTest, AStatementIsPreparedOnceAndComesBackResetAndUnbound) {
    StatementCache cache(database_);
    const std::string sql = "SELECT a FROM t WHERE ?1 IS NULL OR a = ?1";
    sqlite3_stmt* handle = nullptr;
    {
        auto lease = cache.statement(sql);
        ASSERT_TRUE(lease);
        handle = (*lease)->handle();
        (*lease)->bindInt64(1, 2);
        // Left on its first row: giving it back must still release the file's read lock.
        ASSERT_EQ((*lease)->step(), SQLITE_ROW);
    }
    EXPECT_FALSE(sqlite3_stmt_busy(handle));
    EXPECT_EQ(cache.size(), 1u);
    auto again = cache.statement(sql);
    ASSERT_TRUE(again);
    EXPECT_EQ((*again)->handle(), handle);
    EXPECT_EQ(cache.preparations(), 1u);
    // The binding of the last use is gone: both rows match a null parameter.
    EXPECT_EQ(rows(*again), 2);
}

TEST_F(StatementCacheTest, SQLInUseGetsASecondStatementAndBothAreKept) {
    StatementCache cache(database_);
    const std::string sql = "SELECT a FROM t";
    {
        auto outer = cache.statement(sql);
        ASSERT_TRUE(outer);
        ASSERT_EQ((*outer)->step(), SQLITE_ROW);
        auto inner = cache.statement(sql);
        ASSERT_TRUE(inner);
        EXPECT_NE((*inner)->handle(), (*outer)->handle());
        EXPECT_EQ(rows(*inner), 2);
        EXPECT_EQ((*outer)->step(), SQLITE_ROW);
    }
    EXPECT_EQ(cache.preparations(), 2u);
    EXPECT_EQ(cache.size(), 1u);
    EXPECT_FALSE(cache.statement("SELECT nothing FROM nowhere"));
}

TEST_F(StatementCacheTest, ClearingForASchemaChangePreparesAgainAndDropsStatementsOut) {
    StatementCache cache(database_);
    const std::string sql = "SELECT * FROM t";
    {
        auto out = cache.statement(sql);
        ASSERT_TRUE(out);
        EXPECT_EQ(sqlite3_column_count((*out)->handle()), 1);
        cache.clear();
        ASSERT_TRUE(database_.execute("ALTER TABLE t ADD COLUMN b TEXT"));
    }
    // The statement out during the change was not kept.
    EXPECT_EQ(cache.size(), 0u);
    auto fresh = cache.statement(sql);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(cache.preparations(), 2u);
    EXPECT_EQ((*fresh)->step(), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_count((*fresh)->handle()), 2);
}

} // namespace
