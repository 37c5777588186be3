#include "ads/webview/VDAdView.h"
#include "ads/webview/VDMRAIDInterceptor.h"
#include "ads/webview/VDWebViewCacheSet.h"
#include "platform/base/AppHome.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/FakeWebEngine.h"
#include "platform/testing/PlatformTest.h"

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

class VDMRAIDInterceptorEngineTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        VDMRAIDInterceptor::resetForTesting();
    }
    void TearDown() override {
        VDMRAIDInterceptor::resetForTesting();
        base::resetProcessServicesForTesting();
        base::RunLoop::main().runUntilIdle();
        PlatformTest::TearDown();
    }
    static std::optional<std::string> script(VDAdView& view, const std::string& url) {
        auto answer =
            ui::FakeWebEngine::of(*view.webView()).requestResource(*base::URL::parse(url));
        if (!answer)
            return std::nullopt;
        EXPECT_EQ(answer->MIMEType, "text/javascript");
        return answer->data.toString();
    }
};

TEST_F(VDMRAIDInterceptorEngineTest, ThePagesScriptRequestIsAnsweredOnlyWhileAllowedAndWanted) {
    auto banner = VDAdView::create(ui::Rect(0, 0, 320, 50));
    banner->configureAsBannerAdView();
    const std::string url = "http://ads.example/creative/mraid.js";
    EXPECT_FALSE(script(*banner, url)) << "not set up";
    VDMRAIDInterceptor::allow();
    EXPECT_FALSE(script(*banner, url)) << "no load wants it";
    VDMRAIDInterceptor::enableCanInitWithRequest();
    auto builtIn = script(*banner, url);
    ASSERT_TRUE(builtIn);
    EXPECT_NE(builtIn->find("window.mraid"), std::string::npos);
    EXPECT_TRUE(script(*banner, "https://other.example/mraid.js?v=2"));
    for (const char* other : {"http://ads.example/mraid.json", "http://ads.example/xmraid.js",
                              "http://ads.example/mraid.js/", "http://ads.example/"})
        EXPECT_FALSE(script(*banner, other)) << other;
    VDMRAIDInterceptor::disallow();
    EXPECT_FALSE(script(*banner, url));
    VDMRAIDInterceptor::allow();
    VDMRAIDInterceptor::disableCanInitWithRequest();
    EXPECT_FALSE(script(*banner, url));
}

TEST_F(VDMRAIDInterceptorEngineTest, EachPlacementGetsTheScriptAtItsPath) {
    const auto folder = homeDirectory() / "scripts";
    std::filesystem::create_directories(folder);
    for (const char* name : {"banner", "interstitial", "expanded"})
        ASSERT_TRUE(base::writeFileAtomically(folder / (std::string(name) + ".js"),
                                              base::Data::fromString(std::string("// ") + name)));
    VDMRAIDInterceptor::allow();
    VDMRAIDInterceptor::enableCanInitWithRequest();
    VDMRAIDInterceptor::setBannerImplementationPath((folder / "banner.js").string());
    VDMRAIDInterceptor::setInterstitialImplementationPath((folder / "interstitial.js").string());
    VDMRAIDInterceptor::setExpandedBannerImplementationPath((folder / "expanded.js").string());
    auto banner = VDAdView::create();
    banner->configureAsBannerAdView();
    auto interstitial = VDAdView::create();
    auto expanded = VDAdView::create();
    expanded->configureAsExpandedBannerAdView();
    const std::string url = "http://ads.example/mraid.js";
    EXPECT_EQ(script(*banner, url), "// banner");
    EXPECT_EQ(script(*interstitial, url), "// interstitial");
    EXPECT_EQ(script(*expanded, url), "// expanded");
    // A path that cannot be read leaves the request to the network.
    VDMRAIDInterceptor::setBannerImplementationPath((folder / "missing.js").string());
    EXPECT_FALSE(script(*banner, url));
}

} // namespace
