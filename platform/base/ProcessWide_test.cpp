#include "platform/base/ProcessWide.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <type_traits>
#include <vector>

namespace {

// Nothing is registered to run at exit for a holder, so nothing of it runs then.
static_assert(std::is_trivially_destructible_v<base::ProcessWide<int>>);
static_assert(std::is_trivially_destructible_v<base::NoDestructor<std::string>>);

std::vector<std::string>& departures() {
    static base::NoDestructor<std::vector<std::string>> log;
    return *log;
}

// A service that notes when it goes and reaches another service as it goes.
struct Upstream {
    ~Upstream() { departures().push_back("upstream"); }
};

std::shared_ptr<Upstream> upstream();

struct Downstream {
    Downstream()
        : uses(upstream()) {}
    ~Downstream() { departures().push_back(uses ? "downstream" : "downstream without upstream"); }
    std::shared_ptr<Upstream> uses;
};

base::ProcessWide<Upstream>& upstreamHolder() {
    static base::ProcessWide<Upstream> holder([] { return std::make_shared<Upstream>(); });
    return holder;
}

std::shared_ptr<Upstream> upstream() {
    return upstreamHolder().get();
}

base::ProcessWide<Downstream>& downstreamHolder() {
    static base::ProcessWide<Downstream> holder([] { return std::make_shared<Downstream>(); });
    return holder;
}

TEST(ProcessWideTest, MakesOnFirstUseAndKeepsIt) {
    base::resetProcessServicesForTesting();
    EXPECT_EQ(upstreamHolder().current(), nullptr);
    auto first = upstream();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(upstream(), first);
    EXPECT_EQ(upstreamHolder().current(), first);
}

TEST(ProcessWideTest, InstallReplacesAndHandsBackThePreviousService) {
    base::resetProcessServicesForTesting();
    auto made = upstream();
    auto replacement = std::make_shared<Upstream>();
    EXPECT_EQ(upstreamHolder().install(replacement), made);
    EXPECT_EQ(upstream(), replacement);
    EXPECT_EQ(upstreamHolder().install(nullptr), replacement);
    auto fresh = upstream();
    EXPECT_NE(fresh, replacement);
    EXPECT_NE(fresh, made);
}

TEST(ProcessWideTest, ResetDropsMadeServicesNewestFirst) {
    base::resetProcessServicesForTesting();
    departures().clear();
    (void)downstreamHolder().get(); // makes the upstream service on the way
    base::resetProcessServicesForTesting();
    // The downstream service still had its upstream service as it went.
    EXPECT_EQ(departures(), (std::vector<std::string>{"downstream", "upstream"}));
    EXPECT_EQ(downstreamHolder().current(), nullptr);
    EXPECT_EQ(upstreamHolder().current(), nullptr);
}

TEST(ProcessWideTest, ResetLeavesInstalledServicesToTheTest) {
    base::resetProcessServicesForTesting();
    auto installed = std::make_shared<Upstream>();
    auto previous = upstreamHolder().install(installed);
    base::resetProcessServicesForTesting();
    EXPECT_EQ(upstream(), installed);
    upstreamHolder().install(previous);
}

// A service still held by its holder at exit is not destroyed: a service whose destructor
// would say so exits quietly with the status it was given.
TEST(ProcessWideTest, ServicesOutliveTheProcessEnd) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            struct Loud {
                ~Loud() {
                    std::fputs("destroyed at exit\n", stderr);
                    std::_Exit(3);
                }
            };
            static base::ProcessWide<Loud> loud([] { return std::make_shared<Loud>(); });
            (void)loud.get();
            std::exit(0);
        },
        testing::ExitedWithCode(0), "^$");
}

} // namespace
