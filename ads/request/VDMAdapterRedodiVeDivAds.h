#pragma once

#include "ads/mediation/VDMAdNetworkAdapter.h"
#include "ads/request/VDBannerViewDelegate.h"

#include <memory>

class VDBannerView;
class VDSlot;

// The built-in adapter of the ads client's own network inside a mediation waterfall: a banner
// view of the requested size for the network's ad unit (its "parameters": "ad_unit_id", else
// the mediating slot's), loaded with the mediating slot's request and shown by its owner's
// root view controller. It fills when the banner has its ad. The banner does not refresh by
// itself: the mediating slot refreshes the whole waterfall on the configuration's interval.
// Banners only.
class VDMAdapterRedodiVeDivAds : public VDMAdNetworkAdapter,
                                 public VDBannerViewDelegate,
                                 public std::enable_shared_from_this<VDMAdapterRedodiVeDivAds> {
protected:
    struct Private {};

public:
    static constexpr const char* className = "VDMAdapterRedodiVeDivAds";
    static constexpr const char* errorDomain = "VDMAdapterRedodiVeDivAds";

    static std::shared_ptr<VDMAdapterRedodiVeDivAds>
    create(const std::shared_ptr<VDMAdNetworkConnector>& connector);
    VDMAdapterRedodiVeDivAds(Private, const std::shared_ptr<VDMAdNetworkConnector>& connector);

    // Registers this adapter and VDMAdURLAdapter under their names, unless a class of that
    // name is registered already.
    static void registerAdapterClasses();

    std::string adapterClassName() const override { return className; }
    void getBannerWithSize(ui::Size size) override;
    void stopBeingDelegate() override;
    bool changeAdSizeTo(ui::Size size) override;

    const std::shared_ptr<VDBannerView>& banner() const { return banner_; }

    // --- VDBannerViewDelegate.
    void adViewDidReceiveAd(VDBannerView& view) override;
    void adViewDidFailToReceiveAdWithError(VDBannerView& view, const base::Error& error) override;
    void adViewWillPresentScreen(VDBannerView& view) override;
    void adViewWillDismissScreen(VDBannerView& view) override;
    void adViewDidDismissScreen(VDBannerView& view) override;
    void adViewWillLeaveApplication(VDBannerView& view) override;

protected:
    // Starts the banner's load: with the mediating slot's request here.
    virtual void loadBanner(const std::shared_ptr<VDSlot>& mediatingSlot);
    std::shared_ptr<VDMAdNetworkConnector> listeningConnector() const;
    void failSoon(const std::string& reason);

    std::shared_ptr<VDBannerView> banner_;

private:
    bool delegating_ = true;
};
