#pragma once

#include "ads/webview/VDAMSGHandler.h"
#include "ads/webview/VDSDKCoreAMSGHandlerDelegate.h"
#include "platform/net/URLRequest.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

// The SDK-core page's handler on the "amsg" bus. It serves five messages and passes each to
// its weakly held delegate asynchronously on the main queue, so that the delegate never runs
// inside the web view's own delivery:
//   "loadAdURL", "loadAd", "invalidRequest" (each with its "request_id"),
//   "loadSdkConstants" and "requestReload".
// A "loadAd" whose "fetched_ad" is not the JSON text of a dictionary passes an empty one.
//
// "fetchAd" ("request_id", "url", and "data" for a POST body with "content_type") is the page
// asking native code to fetch an ad for it: the handler builds the request with
// vd_requestForURLDataHeadersType and hands it to a new ad fetch (the request layer installs
// VDAdFetcher's road with installAdFetch); the outcome goes back to the page as the command
//     VDMA_receiveFetchedAd(<request_id>, <ad>)
// (both as JSON; the ad {"ad_html", "ad_base_url", "headers"}, or null when the fetch failed,
// so the page never waits for nothing), and the fetch is forgotten. A message without its
// request identifier or an http(s) URL fetches nothing.
class VDSDKCoreAMSGHandler : public VDAMSGHandler,
                             public std::enable_shared_from_this<VDSDKCoreAMSGHandler> {
    struct Private {};

public:
    static constexpr const char* requestIDKey = "request_id";
    static constexpr const char* fetchedAdKey = "fetched_ad";

    static constexpr const char* fetchAdMessage = "fetchAd";

    // A fetched ad as the page gets it.
    struct FetchedAd {
        std::string HTML;
        std::optional<std::string> baseURL;
        base::Value::Dictionary headers;
    };
    using FetchCompletion = std::function<void(std::optional<FetchedAd> ad)>;
    // Starts fetching the request; the completion runs once on the main thread unless the
    // returned fetch is let go first.
    using AdFetch =
        std::function<std::shared_ptr<void>(net::URLRequest request, FetchCompletion completion)>;
    // Installs the road of the page's fetches for the process (empty: none, every fetch
    // fails at once). Main thread.
    static void installAdFetch(AdFetch fetch);

    static std::shared_ptr<VDSDKCoreAMSGHandler> create();
    explicit VDSDKCoreAMSGHandler(Private) {}

    std::shared_ptr<VDSDKCoreAMSGHandlerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<VDSDKCoreAMSGHandlerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    const ActionBlockDictionary& actionBlockDictionary() const override;

    // Where the page's replies go (the SDK-core web view runs them in its page).
    void setPageCommandSink(std::function<void(std::string command)> sink) {
        pageCommandSink_ = std::move(sink);
    }
    // The page's fetches in flight, by request identifier.
    std::size_t fetchesInFlight() const { return fetches_.size(); }
    // The page command of a fetch's outcome.
    static std::string fetchedAdCommand(const std::string& requestID,
                                        const std::optional<FetchedAd>& ad);

private:
    void didReceiveLoadAdURLAction(const VDNotification& note);
    void didReceiveLoadAdAction(const VDNotification& note);
    void didReceiveInvalidRequestAction(const VDNotification& note);
    void didReceiveLoadSDKConstantsAction(const VDNotification& note);
    void didReceiveRequestReloadAction(const VDNotification& note);
    struct Fetch {
        std::shared_ptr<void> fetch;
    };
    void didReceiveFetchAdAction(const VDNotification& note);
    void didFinishFetch(const std::string& requestID, const std::shared_ptr<Fetch>& entry,
                        const std::optional<FetchedAd>& ad);
    void tellPage(const std::string& requestID, const std::optional<FetchedAd>& ad);
    // Runs `call` with the delegate on the main queue, when both are still there then.
    void
    tellDelegate(std::function<void(VDSDKCoreAMSGHandlerDelegate&, VDSDKCoreAMSGHandler&)> call);

    std::weak_ptr<VDSDKCoreAMSGHandlerDelegate> delegate_;
    std::function<void(std::string command)> pageCommandSink_;
    std::map<std::string, std::shared_ptr<Fetch>> fetches_;
};
