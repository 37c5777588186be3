#pragma once

// What the ads client's window tests share: the client pointed at the test ad server's core page,
// a real window on screen, and the client's process services put back once a test ends, in the
// order their shutdown needs (the core page before the server goes, the engine before its pool).

#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDClassRegistry.h"
#include "ads/foundation/VDDevice.h"
#include "ads/request/VDClickTrackerCollection.h"
#include "ads/request/VDSDKCoreController.h"
#include "ads/webview/VDMRAIDInterceptor.h"
#include "ads/webview/VDSDKCoreWebView.h"
#include "ads/webview/VDWebViewCacheSet.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UserDefaults.h"
#include "platform/gtk/MainWindow.h"
#include "platform/ui/Application.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/WebEngineFactory.h"
#include "platform/ui/Window.h"
#include "tests/fixtures/TestAdServer.h"

#include <chrono>
#include <gtk/gtk.h>
#include <memory>

namespace e2e {

// Call before the ads client's core controller is made: it reads the core page's address once.
inline void startAdServerAsCorePage(testing_support::TestAdServer& server) {
    server.start();
    base::UserDefaults::standard()->setObject(VDSDKCoreWebView::SDKCoreURLKey,
                                              base::Value(server.corePageURL()));
}

// Shows `window` with `controller` at its root; answers whether it was mapped in time.
inline bool showAdsWindow(const std::shared_ptr<ui::Window>& window,
                          const std::shared_ptr<ui::ViewController>& controller, const char* title,
                          std::unique_ptr<gtk::MainWindow>& shown) {
    window->setRootViewController(controller);
    window->makeKeyAndVisible();
    shown = std::make_unique<gtk::MainWindow>(window, title);
    shown->present();
    return base::RunLoop::main().runUntil(
        [&] { return gtk_widget_get_mapped(GTK_WIDGET(shown->gtkWindow())); },
        std::chrono::seconds(30));
}

// Call once the test's ads and window are gone.
inline void resetAdsClient(testing_support::TestAdServer& server) {
    base::resetProcessServicesForTesting();
    base::RunLoop::main().runUntil([] { return false; }, std::chrono::milliseconds(100));
    server.stop();
    base::resetProcessServicesForTesting();
    ui::WebEngineFactory::reset();
    VDMRAIDInterceptor::resetForTesting();
    VDClassRegistry::resetForTesting();
}

} // namespace e2e
