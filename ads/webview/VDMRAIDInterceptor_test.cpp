#include "ads/webview/VDMRAIDInterceptor.h"

#include <gtest/gtest.h>

namespace {

TEST(VDMRAIDInterceptorTest, TheFirstMessageRegistersTheClassAndPermissionLastsUntilDisallowed) {
    VDMRAIDInterceptor::resetForTesting();
    EXPECT_FALSE(VDMRAIDInterceptor::isRegistered());
    EXPECT_FALSE(VDMRAIDInterceptor::isAllowed());

    // Disallowing first still runs the class set-up, which allows, and then disallows.
    VDMRAIDInterceptor::disallow();
    EXPECT_TRUE(VDMRAIDInterceptor::isRegistered());
    EXPECT_FALSE(VDMRAIDInterceptor::isAllowed());

    VDMRAIDInterceptor::allow();
    VDMRAIDInterceptor::allow();
    EXPECT_TRUE(VDMRAIDInterceptor::isAllowed());
    VDMRAIDInterceptor::disallow();
    EXPECT_FALSE(VDMRAIDInterceptor::isAllowed());
    EXPECT_TRUE(VDMRAIDInterceptor::isRegistered());
    VDMRAIDInterceptor::resetForTesting();
}

} // namespace
