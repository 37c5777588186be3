#pragma once

#include "ads/request/VDAdSize.h"
#include "platform/base/URL.h"
#include "platform/base/Value.h"
#include "platform/net/HTTPHeaderFields.h"
#include "platform/ui/Application.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class VDMRAIDEventHandling;
class VDStatisticDictionary;
class VDSwipeToViewControllerConfigurations;

// The record of one fetched ad: where its content comes from (a URL, or HTML with a base URL),
// what the server said of it (headers, response type, tracking URLs, refresh interval,
// orientations, size, active-view and swipe configurations) and its statistics, which report
// to the shared VDApplication. Filled from the SDK-core page's dictionary or by the fetcher
// from response headers; read by the slot and the renderers on the main thread.
class VDAd : public std::enable_shared_from_this<VDAd> {
protected:
    struct Private {};

public:
    // A set of URLs: each held once, in the order first added.
    using URLSet = std::vector<base::URL>;

    enum ResponseType : unsigned {
        ResponseTypeNone = 0,
        ResponseTypeHTML = 1,
        ResponseTypeMediationJSON = 2,
        ResponseTypeNativeJSON = 3,
        ResponseTypeCustomRendering = 4,
    };

    static std::shared_ptr<VDAd> create();
    // A record filled from the page's ad dictionary (see readDictionary).
    static std::shared_ptr<VDAd> createWithDictionary(const base::Value::Dictionary& dictionary);

    explicit VDAd(Private);
    virtual ~VDAd();
    VDAd(const VDAd&) = delete;
    VDAd& operator=(const VDAd&) = delete;

    // The record's own sets (not copies).
    URLSet& clickURLs() { return clickURLs_; }
    URLSet& impressionURLs() { return impressionURLs_; }
    URLSet& manualImpressionURLs() { return manualImpressionURLs_; }
    void addClickURLsFromArray(const std::vector<base::URL>& urls);
    void addImpressionURLsFromArray(const std::vector<base::URL>& urls);
    void addManualImpressionURLsFromArray(const std::vector<base::URL>& urls);
    void removeAllImpressionURLs() { impressionURLs_.clear(); }
    void removeAllManualImpressionURLs() { manualImpressionURLs_.clear(); }

    bool isScrollEnabled() const { return scrollEnabled_; }
    void setScrollEnabled(bool enabled) { scrollEnabled_ = enabled; }
    bool hasAdNetworkJavaScript() const { return hasAdNetworkJavaScript_; }
    const std::shared_ptr<VDStatisticDictionary>& statistics() const { return statistics_; }
    void setStatistics(std::shared_ptr<VDStatisticDictionary> statistics) {
        statistics_ = std::move(statistics);
    }
    const std::optional<base::URL>& adBaseURL() const { return adBaseURL_; }
    void setAdBaseURL(std::optional<base::URL> url) { adBaseURL_ = std::move(url); }
    const std::optional<std::string>& adHTML() const { return adHTML_; }
    void setAdHTML(std::optional<std::string> html) { adHTML_ = std::move(html); }
    const std::optional<base::URL>& adURL() const { return adURL_; }
    void setAdURL(std::optional<base::URL> url) { adURL_ = std::move(url); }
    const std::optional<net::HTTPHeaderFields>& responseHeaders() const { return responseHeaders_; }
    void setResponseHeaders(std::optional<net::HTTPHeaderFields> headers) {
        responseHeaders_ = std::move(headers);
    }
    const std::optional<base::Value::Dictionary>& activeViewConfigurations() const {
        return activeViewConfigurations_;
    }
    void setActiveViewConfigurations(std::optional<base::Value::Dictionary> configurations) {
        activeViewConfigurations_ = std::move(configurations);
    }
    const std::shared_ptr<VDSwipeToViewControllerConfigurations>&
    swipeToViewControllerConfigurations() const {
        return swipeToViewControllerConfigurations_;
    }
    void setSwipeToViewControllerConfigurations(
        std::shared_ptr<VDSwipeToViewControllerConfigurations> configurations) {
        swipeToViewControllerConfigurations_ = std::move(configurations);
    }
    unsigned responseType() const { return responseType_; }
    void setResponseType(unsigned type) { responseType_ = type; }
    std::shared_ptr<VDMRAIDEventHandling> MRAIDEventHandler() const {
        return MRAIDEventHandler_.lock();
    }
    void setMRAIDEventHandler(const std::shared_ptr<VDMRAIDEventHandling>& handler) {
        MRAIDEventHandler_ = handler;
    }
    // Seconds; nullopt when the response set none.
    std::optional<double> reloadInterval() const { return reloadInterval_; }
    void setReloadInterval(std::optional<double> seconds) { reloadInterval_ = seconds; }
    // The longest refresh interval a server may set.
    static constexpr double maximumReloadInterval = 24 * 60 * 60;
    // Sets an interval the ad server sent, when it can mean one: finite and at most
    // maximumReloadInterval (below 1 s turns refresh off, as always). Anything else is refused
    // with one log line and leaves the interval as it was.
    void setReloadIntervalFromServer(double seconds);
    ui::InterfaceOrientationMask supportedOrientations() const { return supportedOrientations_; }
    void setSupportedOrientations(ui::InterfaceOrientationMask mask) {
        supportedOrientations_ = mask;
    }
    const std::optional<std::string>& debugDialog() const { return debugDialog_; }
    void setDebugDialog(std::optional<std::string> text) { debugDialog_ = std::move(text); }
    const std::optional<std::string>& customAdSizeString() const { return customAdSizeString_; }
    void setCustomAdSizeString(std::optional<std::string> text) {
        customAdSizeString_ = std::move(text);
    }
    const std::optional<base::URL>& adNetworkPassbackURL() const { return adNetworkPassbackURL_; }
    VDAdSize size() const { return size_; }
    void setSize(VDAdSize size) { size_ = size; }

protected:
    // Fills the record from the page's ad dictionary; a value of the wrong kind counts as
    // absent:
    //  1. "ad_html" (non-empty) with "ad_base_url" (a URL) give the content, else "ad_url" is
    //     where it is to be fetched;
    //  2. "ad_size" ("320x50") the size, always (absent: the custom size 0 by 0);
    //  3. "orientation" ("any", "portrait", "landscape") the orientations;
    //  4. "ad_is_javascript" (a number), and then "ad_passback_url";
    //  5. "debug_dialog", 6. "active_view" (a dictionary), 7. "swipe_to_viewcontroller" (a
    //     non-empty dictionary);
    //  8. "click_urls", "impression_urls", "manual_impression_urls": the strings that are URLs.
    virtual void readDictionary(const base::Value::Dictionary& dictionary);

private:
    URLSet clickURLs_;
    URLSet impressionURLs_;
    URLSet manualImpressionURLs_;
    bool scrollEnabled_ = true;
    bool hasAdNetworkJavaScript_ = false;
    std::shared_ptr<VDStatisticDictionary> statistics_;
    std::optional<base::URL> adBaseURL_;
    std::optional<std::string> adHTML_;
    std::optional<base::URL> adURL_;
    std::optional<net::HTTPHeaderFields> responseHeaders_;
    std::optional<base::Value::Dictionary> activeViewConfigurations_;
    std::shared_ptr<VDSwipeToViewControllerConfigurations> swipeToViewControllerConfigurations_;
    unsigned responseType_ = ResponseTypeNone;
    std::weak_ptr<VDMRAIDEventHandling> MRAIDEventHandler_;
    std::optional<double> reloadInterval_;
    ui::InterfaceOrientationMask supportedOrientations_ = ui::InterfaceOrientationMaskAll;
    std::optional<std::string> debugDialog_;
    std::optional<std::string> customAdSizeString_;
    std::optional<base::URL> adNetworkPassbackURL_;
    VDAdSize size_{};
};
