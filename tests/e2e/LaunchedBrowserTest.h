#pragma once

// For e2e tests: the browser launched as the program launches it, on a phone, and, when a test
// wants it, shown in its real window. Searches, new tabs' home pages and the ads client's page
// go to a loopback port nothing listens on, so nothing leaves the machine (a test may point the
// ads at its own server before launching). Everything runs in real time: the engine, the window
// and the X server.

#include "ads/request/VDSDKCoreController.h"
#include "ads/webview/VDSDKCoreWebView.h"
#include "browser/AdManager.h"
#include "browser/AppDelegate.h"
#include "browser/BrowserSettings.h"
#include "browser/BrowserViewController.h"
#include "platform/base/Bundle.h"
#include "platform/base/Clock.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UserDefaults.h"
#include "platform/gtk/GtkPlatform.h"
#include "platform/gtk/MainWindow.h"
#include "platform/gtk/WebKitEngine.h"
#include "platform/net/TestHTTPServer.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"
#include "platform/ui/Device.h"
#include "platform/ui/Presentation.h"
#include "platform/ui/WebEngineFactory.h"

#include <chrono>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <memory>
#include <string>

class LaunchedBrowserTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::Clock::install(nullptr);
        auto installed = gtk::GtkPlatform::install();
        ASSERT_TRUE(installed.ok()) << installed.error().localizedDescription();
        ui::WebEngineFactory::install(gtk::WebKitEngine::maker());
        base::resetProcessServicesForTesting();
        ui::Presentation::shared().reset();
        previousDevice_ =
            ui::Device::install(std::make_shared<ui::Device>(ui::UserInterfaceIdiom::Phone));
        base::Value::Dictionary info;
        info[BrowserSettings::searchEngineHostKey] =
            base::Value("127.0.0.1:" + std::to_string(net::closedLoopbackPort()));
        previousBundle_ = base::Bundle::install(
            std::make_shared<base::Bundle>(base::Bundle::defaultResourcesDirectory(), info));
        base::UserDefaults::standard()->setObject(
            VDSDKCoreWebView::SDKCoreURLKey,
            base::Value("http://127.0.0.1:" + std::to_string(net::closedLoopbackPort()) +
                        "/sdk-core.html"));
        base::resetProcessServicesForTesting();
    }

    void TearDown() override {
        base::resetProcessServicesForTesting();
        window_.reset();
        screen_.reset();
        delegate_.reset();
        ui::Presentation::shared().reset();
        base::resetProcessServicesForTesting();
        // Lets the web views' last events go while the engine still runs.
        base::RunLoop::main().runUntil([] { return false; }, std::chrono::milliseconds(100));
        base::resetProcessServicesForTesting();
        base::Bundle::install(previousBundle_);
        ui::Device::install(previousDevice_);
        PlatformTest::TearDown();
    }

    // Launches the application; tests start their servers before.
    void launch() {
        delegate_ = std::make_shared<AppDelegate>();
        ui::Application::shared().setDelegate(delegate_);
        ASSERT_TRUE(ui::Application::shared().launch());
        screen_ = delegate_->viewController();
    }
    // Shows the application's window on the display, as the program does.
    void showWindow(const std::string& title) {
        window_ = std::make_unique<gtk::MainWindow>(delegate_->window(), title);
        window_->present();
        ASSERT_TRUE(base::RunLoop::main().runUntil(
            [&] { return gtk_widget_get_mapped(GTK_WIDGET(window_->gtkWindow())); },
            std::chrono::seconds(20)));
    }

    std::shared_ptr<AppDelegate> delegate_;
    std::shared_ptr<BrowserViewController> screen_;
    std::unique_ptr<gtk::MainWindow> window_;

private:
    std::shared_ptr<ui::Device> previousDevice_;
    std::shared_ptr<base::Bundle> previousBundle_;
};
