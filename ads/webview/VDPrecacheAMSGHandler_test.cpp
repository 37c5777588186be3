#include "ads/foundation/VDDevice.h"
#include "ads/webview/VDAdView.h"
#include "ads/webview/VDPrecacheAMSGHandler.h"
#include "ads/webview/VDWebViewCacheSet.h"
#include "platform/base/AppHome.h"
#include "platform/base/Hashing.h"
#include "platform/base/PercentEscape.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/base/URL.h"
#include "platform/net/TestHTTPServer.h"
#include "platform/testing/FakeWebEngine.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

class VDPrecacheAMSGHandlerTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        auto& server = server_.server();
        server.Get("/asset.png", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("PNGDATA", "image/png");
        });
        server.Get("/missing", [](const httplib::Request&, httplib::Response& response) {
            response.status = 404;
            response.set_content("no", "text/plain");
        });
        server_.start();
        view_ = VDAdView::create(ui::Rect(0, 0, 320, 50));
        handler_ = std::make_shared<VDPrecacheAMSGHandler>(view_);
        view_->addAMSGHandler(handler_);
        ui::FakeWebEngine::of(*view_->webView())
            .setScriptFallback([this](const std::string& script) -> std::optional<std::string> {
                scripts_.push_back(script);
                return std::string();
            });
        temporary_ = VDDevice::sharedInstance()->temporaryPathWithCreation(true);
    }
    void TearDown() override {
        view_.reset();
        base::resetProcessServicesForTesting();
        base::RunLoop::main().runUntilIdle();
        server_.stop();
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }
    std::string escaped(const std::string& text) { return base::percentEscape(text, "/:?&=+"); }
    // Sends the message and waits for the creative's answer.
    void precache(const std::string& query) {
        const std::size_t before = scripts_.size();
        EXPECT_EQ(ui::FakeWebEngine::of(*view_->webView())
                      .raiseNavigation(*base::URL::parse("amsg:///precache?" + query),
                                       ui::WebViewNavigationType::Other, false),
                  false);
        EXPECT_TRUE(base::RunLoop::main().runUntil([&] { return scripts_.size() > before; },
                                                   base::Seconds(10)))
            << query;
    }
    std::vector<std::string> filesUnder(const std::filesystem::path& root) {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
            if (entry.is_regular_file())
                names.push_back(std::filesystem::relative(entry.path(), root).string());
        std::sort(names.begin(), names.end());
        return names;
    }

    net::TestHTTPServer server_;
    std::shared_ptr<VDAdView> view_;
    std::shared_ptr<VDPrecacheAMSGHandler> handler_;
    std::filesystem::path temporary_;
    std::vector<std::string> scripts_;
};

TEST_F(VDPrecacheAMSGHandlerTest, AFileIsDownloadedIntoTheTemporaryDirectoryOnly) {
    const std::string url = server_.url("/asset.png");
    precache("u=" + escaped(url) + "&n=ad.png");
    EXPECT_EQ(scripts_.back(),
              R"(VDMA_fireNotification("onPrecacheComplete",{"name":"ad.png","success":"1"});)");
    EXPECT_EQ(base::readFile(temporary_ / "ad.png")->toString(), "PNGDATA");
    precache("u=" + escaped(url));
    EXPECT_TRUE(std::filesystem::exists(temporary_ / base::md5Hex(url)));

    // Hostile names never leave the directory and download nothing.
    const auto home = temporary_.parent_path();
    const auto before = filesUnder(home);
    for (const char* name :
         {"..%2Fescape.png", "..", ".", "a%2Fb.png", "%2Fetc%2Fescape", "a%5Cb.png", "x%00y", ""}) {
        precache("u=" + escaped(url) + "&n=" + name);
        EXPECT_NE(scripts_.back().find(R"("success":"0")"), std::string::npos) << name;
    }
    EXPECT_EQ(filesUnder(home), before);

    // A failed download or a URL that is not http writes nothing.
    precache("u=" + escaped(server_.url("/missing")) + "&n=missing");
    precache("u=file%3A%2F%2F%2Fetc%2Fhostname&n=hostname");
    EXPECT_NE(scripts_.back().find(R"("success":"0")"), std::string::npos);
    EXPECT_EQ(filesUnder(home), before);
}

} // namespace
