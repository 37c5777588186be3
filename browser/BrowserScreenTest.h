#pragma once

// For tests only: a fixture that shows the browser screen in a window, as the application
// delegate does, with fake web engines, a manual clock, a temporary app home and fixed hosts.

#include "ads/foundation/VDDevice.h"
#include "ads/request/VDSDKCoreController.h"
#include "browser/AdManager.h"
#include "browser/BrowserSettings.h"
#include "browser/BrowserViewController.h"
#include "browser/Tab.h"
#include "platform/base/Bundle.h"
#include "platform/base/Log.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/net/FakeReachabilitySource.h"
#include "platform/net/URLConnection.h"
#include "platform/testing/FakeWebEngine.h"
#include "platform/testing/LogCapture.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/Device.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/WebEngineFactory.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class BrowserScreenTest : public testing_support::PlatformTest {
protected:
    static constexpr const char* searchHost = "search.test";
    static constexpr const char* storeHost = "apps.store.test";
    static constexpr const char* userAgent = "TestAgent/1.0 (screen tests)";

    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
        previousDevice_ = ui::Device::install(std::make_shared<ui::Device>(idiom()));
        // The ads client's device facts follow the device of this test.
        base::resetProcessServicesForTesting();
        base::Value::Dictionary info;
        info[BrowserSettings::searchEngineHostKey] = base::Value(searchHost);
        info[BrowserSettings::appStoreWebHostKey] = base::Value(storeHost);
        previousBundle_ = base::Bundle::install(
            std::make_shared<base::Bundle>(base::Bundle::defaultResourcesDirectory(), info));
        ui::Application::shared().setURLOpener([this](const base::URL& url) {
            openedURLs.push_back(url.absoluteString());
            return true;
        });
        log_.emplace();
    }

    void TearDown() override {
        // The ad placement's banner and interstitial go first, with the ads client's page.
        base::resetProcessServicesForTesting();
        window.reset();
        navigation.reset();
        screen.reset();
        base::RunLoop::main().runUntilIdle();
        log_.reset();
        base::resetProcessServicesForTesting();
        base::Bundle::install(previousBundle_);
        ui::Device::install(previousDevice_);
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }

    virtual ui::UserInterfaceIdiom idiom() const { return ui::UserInterfaceIdiom::Phone; }

    // Shows the screen in a window inside a navigation controller; its first appearance opens
    // the first tab. Fetches are recorded, not sent, unless `realConnections`.
    void showScreen(bool realConnections = false) {
        screen = BrowserViewController::create();
        if (!realConnections)
            screen->setConnectionMaker(
                [this](const net::URLRequest& request,
                       const std::shared_ptr<net::URLConnectionDelegate>& delegate) {
                    fetched.push_back(request);
                    return net::URLConnection::create(request, delegate, false);
                });
        navigation = ui::NavigationController::create(screen);
        window = ui::Window::create(ui::Screen::mainScreen().bounds());
        window->setRootViewController(navigation);
        window->makeKeyAndVisible();
        answerUserAgent(*screen->selectedTab());
    }

    void answerUserAgent(Tab& tab) { engineOf(tab).answerScript("navigator.userAgent", userAgent); }

    static ui::FakeWebEngine& engineOf(Tab& tab) { return ui::FakeWebEngine::of(*tab.webView()); }

    // Types the text into the address field and presses Return.
    void typeAddress(const std::string& text) {
        screen->addressBar()->becomeFirstResponder();
        screen->addressBar()->setText(text);
        screen->addressBar()->simulateReturn();
    }

    std::string lastFetchedAddress() const {
        if (fetched.empty() || !fetched.back().url())
            return "(none)";
        return fetched.back().url()->absoluteString();
    }

    bool logged(std::string_view text) const { return log_ && log_->contains(text); }

    std::shared_ptr<BrowserViewController> screen;
    std::shared_ptr<ui::NavigationController> navigation;
    std::shared_ptr<ui::Window> window;
    std::vector<net::URLRequest> fetched;
    std::vector<std::string> openedURLs;

private:
    std::shared_ptr<ui::Device> previousDevice_;
    std::shared_ptr<base::Bundle> previousBundle_;
    std::optional<testing_support::LogCapture> log_;
};
