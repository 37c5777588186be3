#include "ads/mediation/VDMAdapterHTML.h"

#include "ads/mediation/VDMAdNetworkConnector.h"
#include "ads/webview/VDAdView.h"
#include "platform/base/RunLoop.h"
#include "platform/base/URL.h"
#include "platform/ui/Application.h"

std::shared_ptr<VDMAdapterHTML>
VDMAdapterHTML::create(const std::shared_ptr<VDMAdNetworkConnector>& connector) {
    return std::make_shared<VDMAdapterHTML>(Private{}, connector);
}

VDMAdapterHTML::VDMAdapterHTML(Private, const std::shared_ptr<VDMAdNetworkConnector>& connector)
    : VDMAdNetworkAdapter(connector) {}

void VDMAdapterHTML::getBannerWithSize(ui::Size size) {
    auto connector = this->connector();
    if (!connector)
        return;
    const base::Value parameters(connector->network().parameters);
    const auto* html = parameters["html"].string();
    if (!html || html->find_first_not_of(" \t\r\n") == std::string::npos) {
        fail("The HTML network's ad has no HTML.");
        return;
    }
    std::optional<base::URL> baseURL;
    if (const auto* base = parameters["base_url"].string())
        baseURL = base::URL::parse(*base);
    adView_ = VDAdView::create(ui::Rect(0, 0, size.width, size.height));
    adView_->configureAsBannerAdView();
    adView_->setDelegate(weak_from_this());
    adView_->loadHTMLStringBaseURL(*html, baseURL);
}

void VDMAdapterHTML::fail(const std::string& reason) {
    // Told on a later turn, as a network that answers over the network would.
    base::RunLoop::main().dispatch([weakSelf = weak_from_this(), reason] {
        auto self = weakSelf.lock();
        if (!self || !self->delegating_)
            return;
        if (auto connector = self->connector())
            connector->adapterDidFailToReceiveAd(base::Error::make(errorDomain, 0, reason));
    });
}

void VDMAdapterHTML::stopBeingDelegate() {
    delegating_ = false;
    if (adView_)
        adView_->setDelegate({});
}

bool VDMAdapterHTML::changeAdSizeTo(ui::Size size) {
    if (!adView_ || !loaded_)
        return false;
    auto frame = adView_->frame();
    frame.size = size;
    adView_->setFrame(frame);
    return true;
}

bool VDMAdapterHTML::adViewShouldStartLoadWithRequestNavigationType(
    VDAdView&, const net::URLRequest& request, ui::WebViewNavigationType type) {
    if (type != ui::WebViewNavigationType::LinkClicked || !loaded_)
        return true;
    // A click on the creative leaves for the landing page.
    auto self = shared_from_this();
    if (auto connector = this->connector(); connector && delegating_)
        connector->adapterWillLeaveApplication();
    if (request.url())
        ui::Application::shared().openURL(*request.url());
    return false;
}

void VDMAdapterHTML::adViewDidFinishLoad(VDAdView& adView) {
    if (!delegating_ || loaded_)
        return;
    loaded_ = true;
    adView.setHidden(false);
    if (auto connector = this->connector())
        connector->adapterDidReceiveAdView(adView_);
}

void VDMAdapterHTML::adViewDidFailLoadWithError(VDAdView&, const base::Error& error) {
    if (!delegating_ || loaded_)
        return;
    delegating_ = false;
    if (auto connector = this->connector())
        connector->adapterDidFailToReceiveAd(error);
}
