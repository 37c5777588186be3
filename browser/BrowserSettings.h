#pragma once

#include "platform/base/URL.h"

#include <string>

// The hosts the browser treats specially. Each has a built-in default; the main bundle's
// information dictionary may name another (tests point them at 127.0.0.1), under the key given
// beside it. A host may carry a port ("127.0.0.1:8080").
class BrowserSettings {
public:
    BrowserSettings() = delete;

    static constexpr const char* searchEngineHostKey = "BrowserSearchEngineHost";
    // A real engine that answers "/search?q=", so that searches and new tabs work out of the box.
    static constexpr const char* defaultSearchEngineHost = "www.bing.com";
    static constexpr const char* appStoreWebHostKey = "BrowserAppStoreWebHost";
    static constexpr const char* defaultAppStoreWebHost = "apps.example";

    // Where web searches go: "https://<host>/search?q=…".
    static std::string searchEngineHost();
    // "https://<search engine host>/": the page every new tab shows behind its own.
    static std::string searchEngineHomeAddress();
    // Pages of the application store on the web: handed to the system, never fetched.
    static std::string appStoreWebHost();
    // This application's page in the store: "https://<store host>/app/tabbrowser/id1000000000".
    static std::string appStorePageAddress();
    // The application's picture (an image resource) that goes with its shares.
    static constexpr const char* productPicture = "product";

    // Whether the URL's host (with its port, when it has one) is exactly `host`.
    static bool urlHasHost(const base::URL& url, const std::string& host);
};
