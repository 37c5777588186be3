#include "ads/webview/VDWebViewCacheSet.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UserDefaults.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"

#include <gtest/gtest.h>

namespace {

class VDWebViewCacheSetTest : public testing_support::PlatformTest {};

TEST_F(VDWebViewCacheSetTest, CapacityComesFromTheUserDefaultWithinZeroToNine) {
    auto defaults = base::UserDefaults::standard();
    const std::pair<std::optional<long long>, std::size_t> cases[] = {
        {std::nullopt, 0}, {-1, 0}, {0, 0}, {3, 3}, {9, 9}, {10, 0},
    };
    for (const auto& [stored, capacity] : cases) {
        if (stored)
            defaults->setObject(VDWebViewCacheSet::maxCapacityKey, base::Value(*stored));
        else
            defaults->removeObjectForKey(VDWebViewCacheSet::maxCapacityKey);
        EXPECT_EQ(VDWebViewCacheSet::create()->maxCapacity(), capacity) << stored.value_or(-99);
    }
}

TEST_F(VDWebViewCacheSetTest, PoolsWebViewsUntilAMemoryWarning) {
    base::UserDefaults::standard()->setObject(VDWebViewCacheSet::maxCapacityKey, base::Value(2));
    auto pool = VDWebViewCacheSet::create();
    auto webView = ui::WebView::create();
    pool->addObject(webView);
    pool->addObject(ui::WebView::create());
    EXPECT_EQ(pool->count(), 2u);
    ui::Application::shared().receiveMemoryWarning();
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(pool->anyObject(), nullptr);
}

} // namespace
