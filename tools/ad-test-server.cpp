// The test ad server for people: serves the test SDK-core page and the ad scenarios on
// 127.0.0.1 until interrupted, printing every request it gets (pings included).
//
//   build/bin/ad-test-server [--scenario NAME] [--configure]
//
// --scenario NAME  /ad/<anything> that names no scenario serves NAME ("html" by default, so
//                  any ad unit gets an HTML banner)
// --configure      points the browser at this server: stores the core page's address as the
//                  user default "/redodi/ads/sdk_core_url" in the preferences of
//                  $BROWSER_HOME (or the default app home)

#include "ads/webview/VDSDKCoreWebView.h"
#include "platform/base/UserDefaults.h"
#include "tests/fixtures/TestAdServer.h"

#include <csignal>
#include <cstring>
#include <iostream>
#include <mutex>
#include <string>

int main(int argc, char** argv) {
    std::string scenario = "html";
    bool configure = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--scenario") == 0 && i + 1 < argc) {
            scenario = argv[++i];
        } else if (std::strcmp(argv[i], "--configure") == 0) {
            configure = true;
        } else {
            std::cerr << "usage: ad-test-server [--scenario NAME] [--configure]\n";
            return 2;
        }
    }

    // Interruptions are waited for below, not delivered to a handler.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    testing_support::TestAdServer server;
    server.setDefaultScenario(scenario);
    std::mutex outputMutex;
    server.setRequestObserver([&](const testing_support::TestAdServer::Request& request) {
        std::lock_guard lock(outputMutex);
        std::cout << "GET " << request.target << std::endl;
    });
    server.start();

    std::cout << "Test ad server on " << server.url("/") << "\n"
              << "  core page:  " << server.corePageURL() << "\n"
              << "  ads:        " << server.url("/ad/<scenario>") << " (unknown names serve \""
              << scenario << "\")\n"
              << "  scenarios: ";
    for (const auto& name : testing_support::TestAdServer::builtInScenarioNames())
        std::cout << " " << name;
    std::cout << "\n";
    if (configure) {
        auto defaults = base::UserDefaults::standard();
        defaults->setObject(VDSDKCoreWebView::SDKCoreURLKey, base::Value(server.corePageURL()));
        if (!defaults->synchronize()) {
            std::cerr << "Could not write " << defaults->filePath() << "\n";
            return 1;
        }
        std::cout << "The browser's ads now use this server (" << defaults->filePath() << ").\n";
    } else {
        std::cout << "Point the browser at it with --configure, or store the core page's "
                     "address as the user default \""
                  << VDSDKCoreWebView::SDKCoreURLKey << "\".\n";
    }
    std::cout << "Ctrl-C stops it." << std::endl;

    int received = 0;
    sigwait(&signals, &received);
    server.stop();
    return 0;
}
