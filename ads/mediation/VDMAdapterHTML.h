#pragma once

#include "ads/mediation/VDMAdNetworkAdapter.h"
#include "ads/webview/VDAdViewDelegate.h"

#include <memory>

class VDAdView;

// The built-in adapter of a network whose ad is the HTML the configuration carries (the
// network's "parameters": "html", and "base_url" for its relative addresses). The creative
// renders in an ad view of the requested size (a web view of the shared pool); the network
// fills once the page has loaded and fails when there is no HTML or the page cannot load. A
// link the user follows opens outside the application. Banners only.
class VDMAdapterHTML final : public VDMAdNetworkAdapter,
                             public VDAdViewDelegate,
                             public std::enable_shared_from_this<VDMAdapterHTML> {
    struct Private {};

public:
    static constexpr const char* className = "VDMAdapterHTML";
    // The domain of the adapter's own failures (no HTML).
    static constexpr const char* errorDomain = "VDMAdapterHTML";

    static std::shared_ptr<VDMAdapterHTML>
    create(const std::shared_ptr<VDMAdNetworkConnector>& connector);
    VDMAdapterHTML(Private, const std::shared_ptr<VDMAdNetworkConnector>& connector);

    std::string adapterClassName() const override { return className; }
    void getBannerWithSize(ui::Size size) override;
    void stopBeingDelegate() override;
    bool changeAdSizeTo(ui::Size size) override;

    const std::shared_ptr<VDAdView>& adView() const { return adView_; }

    // --- VDAdViewDelegate.
    bool adViewShouldStartLoadWithRequestNavigationType(VDAdView& adView,
                                                        const net::URLRequest& request,
                                                        ui::WebViewNavigationType type) override;
    void adViewDidFinishLoad(VDAdView& adView) override;
    void adViewDidFailLoadWithError(VDAdView& adView, const base::Error& error) override;

private:
    void fail(const std::string& reason);

    std::shared_ptr<VDAdView> adView_;
    bool delegating_ = true;
    bool loaded_ = false;
};
