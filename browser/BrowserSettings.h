#pragma once

#include "platform/base/URL.h"

#include <string>

// The hosts the browser treats specially and the ad units it shows. Each has a built-in
// default. A host may be named otherwise by the main bundle's information dictionary (tests
// point them at 127.0.0.1), under the key given beside it, and may carry a port
// ("127.0.0.1:8080"); an ad unit by the standard user defaults, under its key.
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

    // The ad units of the bottom banner and of the interstitials: the ads service's form,
    // "vd-app-pub-" with the publisher's 16 digits, "/" and the unit's 10 digits. The ad
    // server is the ads client's own setting.
    static constexpr const char* bannerAdUnitIDKey = "BrowserBannerAdUnitID";
    static constexpr const char* defaultBannerAdUnitID = "vd-app-pub-7315058264093718/4830175926";
    static constexpr const char* interstitialAdUnitIDKey = "BrowserInterstitialAdUnitID";
    static constexpr const char* defaultInterstitialAdUnitID =
        "vd-app-pub-7315058264093718/9162730485";
    static std::string bannerAdUnitID();
    static std::string interstitialAdUnitID();

    // Whether the URL's host (with its port, when it has one) is exactly `host`.
    static bool urlHasHost(const base::URL& url, const std::string& host);
};
