#pragma once

#include "ads/request/VDMAdapterRedodiVeDivAds.h"
#include "ads/request/VDSDKCoreControllerDelegate.h"

#include <mutex>

class VDRequest;

// The built-in adapter whose ad URL the SDK-core page builds for mediation: like the own
// network's adapter it shows a banner view, but it asks the SDK-core controller itself, with
// the banner's request parameters, the network's "parameters" and the key
// "redodi-ad-url-mediation" (so the page runs its mediation function), and hands the page's
// answer to the banner's slot, which fetches and renders the ad. Banners only.
class VDMAdURLAdapter final : public VDMAdapterRedodiVeDivAds, public VDSDKCoreControllerDelegate {
public:
    static constexpr const char* className = "VDMAdURLAdapter";

    static std::shared_ptr<VDMAdURLAdapter>
    create(const std::shared_ptr<VDMAdNetworkConnector>& connector);
    VDMAdURLAdapter(Private, const std::shared_ptr<VDMAdNetworkConnector>& connector);

    std::string adapterClassName() const override { return className; }
    std::optional<std::string> requestID() const;

    // --- VDSDKCoreControllerDelegate: the banner's slot answers.
    base::Value::Dictionary requestParameters() override;
    long requestedAdType() override;
    void setRequestID(const std::string& requestID) override;
    void loadAdURLWithParameters(const base::Value::Dictionary& parameters) override;
    void loadAdHeaders(const std::shared_ptr<VDAd>& ad,
                       const std::optional<net::HTTPHeaderFields>& headers) override;
    void invalidJavaScriptRequest() override;
    void failedJavaScriptFile() override;
    void adURLRequestDidTimeOutWithError(const base::Error& error) override;

protected:
    void loadBanner(const std::shared_ptr<VDSlot>& mediatingSlot) override;

private:
    // The banner's slot while this adapter still listens.
    std::shared_ptr<VDSlot> listeningSlot() const;

    // Set before the request and never changed after; used on the main thread.
    std::shared_ptr<VDSlot> bannerSlot_;
    std::shared_ptr<VDRequest> request_;
    base::Value::Dictionary networkParameters_;
    // The identifier the page answers under, set on the controller's URL queue.
    mutable std::mutex mutex_;
    std::optional<std::string> requestID_;
};
