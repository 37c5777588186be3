#include "ads/webview/VDMRAIDInterceptor.h"

#include <gtest/gtest.h>

namespace {

TEST(VDMRAIDInterceptorTest, TheCountOfLoadsSetsUpTheClassAndNeverGoesBelowZero) {
    VDMRAIDInterceptor::resetForTesting();
    VDMRAIDInterceptor::enableCanInitWithRequest();
    EXPECT_TRUE(VDMRAIDInterceptor::isRegistered());
    VDMRAIDInterceptor::enableCanInitWithRequest();
    EXPECT_EQ(VDMRAIDInterceptor::canInitWithRequestCount(), 2);
    for (long left : {1L, 0L, 0L}) {
        VDMRAIDInterceptor::disableCanInitWithRequest();
        EXPECT_EQ(VDMRAIDInterceptor::canInitWithRequestCount(), left);
    }
    VDMRAIDInterceptor::enableCanInitWithRequest();
    EXPECT_EQ(VDMRAIDInterceptor::canInitWithRequestCount(), 1);
    VDMRAIDInterceptor::resetForTesting();
    EXPECT_EQ(VDMRAIDInterceptor::canInitWithRequestCount(), 0);
}

} // namespace
