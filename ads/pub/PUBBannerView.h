#pragma once

#include "ads/pub/PUBBannerViewDelegate.h"
#include "ads/pub/VIZAvizuverazad.h"
#include "ads/request/VDBannerView.h"

#include <memory>
#include <optional>
#include <vector>

// The PUB publisher's banner: a VDBannerView that also answers the slot's further questions.
// A load asked for while one is in progress replaces it only when the host has asked for a new
// correlator since (PUBRequest::updateCorrelator, VIZAvizuverazad). The host may give the sizes
// a response may resize the banner to (validAdSizes, sent as "sz"); hear the creative's app
// events; render custom-rendered ads itself (PUBBannerViewDelegate); and count impressions
// itself (manual impressions: the response's manual impression URLs are pinged, once, when the
// host calls recordImpression). The delegate is the banner's, as a PUBBannerViewDelegate when
// it is one. Main thread only.
class PUBBannerView : public VDBannerView {
public:
    static std::shared_ptr<PUBBannerView> createWithAdSize(VDAdSize size);
    static std::shared_ptr<PUBBannerView> createWithAdSizeOrigin(VDAdSize size, ui::Point origin);
    PUBBannerView(Private, const ui::Rect& frame);
    std::string className() const override { return "PUBBannerView"; }

    // Sizes that cannot be shown are left out.
    void setValidAdSizes(std::vector<VDAdSize> sizes);
    bool enableManualImpressions() const { return slot()->manualImpressionsEnabled(); }
    void setEnableManualImpressions(bool enabled) { slot()->setManualImpressionsEnabled(enabled); }
    void recordImpression();

    // --- VDSlotDelegate.
    std::optional<bool> slotShouldPreemptInProgressRequest(VDSlot& slot) override;
    void slotWillLoadAdWithRequest(VDSlot& slot, const VDRequest& request) override;
    std::optional<std::vector<VDAdSize>> validAdSizes() const override;
    void slotWillResizeToAdSize(VDSlot& slot, VDAdSize size) override;
    void slotDidReceiveAppEventWithInfo(VDSlot& slot, const std::string& name,
                                        const std::optional<std::string>& info) override;
    std::optional<bool>
    slotNotifyPublisherToRenderCustomRenderingAd(VDSlot& slot, const std::shared_ptr<VDAd>& ad,
                                                 std::optional<base::Error>& error) override;

private:
    std::shared_ptr<PUBBannerViewDelegate> pubDelegate() const;

    VIZAvizuverazad correlation_;
    std::vector<VDAdSize> validAdSizes_;
};
