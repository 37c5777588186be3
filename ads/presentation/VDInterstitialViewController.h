#pragma once

#include "ads/presentation/VDAdAppViewControllerSlot.h"
#include "ads/presentation/VDViewController.h"
#include "platform/ui/Button.h"

#include <memory>

// The screen an interstitial is shown on, presented full screen over the host: the ad's view
// (the slot's creative view, or a mediated network's) fills it, under a close control in its
// top right corner. As a VDViewController its presentation and dismissal are a full-screen
// takeover (every slot pauses its refresh; the interstitial's slot, once it has joined
// intermission(), hears the takeover begin, be about to end and end) and the dismissal is
// recorded in the ad's statistics. Each time it is about to appear the slot hears
// interstitialViewWillAppear, each time it is about to disappear interstitialViewWillDisappear,
// so viewability is measured while it is up. The close control, or close() from code,
// dismisses it. The slot is held weakly. Main thread only.
class VDInterstitialViewController : public VDViewController {
    struct Private {};

public:
    static std::shared_ptr<VDInterstitialViewController>
    createWithSlot(std::weak_ptr<VDAdAppViewControllerSlot> slot);
    VDInterstitialViewController(Private, std::weak_ptr<VDAdAppViewControllerSlot> slot);
    std::string className() const override { return "VDInterstitialViewController"; }

    // The view the ad is shown in; it fills the screen below the close control. Null shows
    // nothing but the close control.
    const std::shared_ptr<ui::View>& adContentView() const { return adContentView_; }
    void setAdContentView(std::shared_ptr<ui::View> content);
    // The orientations the ad may be shown in (all unless set).
    void setSupportedOrientations(ui::InterfaceOrientationMask mask) { orientations_ = mask; }
    ui::InterfaceOrientationMask supportedInterfaceOrientations() const override {
        return orientations_;
    }

    // The close control, once the view is loaded.
    const std::shared_ptr<ui::Button>& closeButton() const { return closeButton_; }
    // The user is done with the ad: it is dismissed (nothing while it is not presented).
    void close();

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

private:
    void placeAdContentView();

    std::weak_ptr<VDAdAppViewControllerSlot> slot_;
    std::shared_ptr<ui::View> adContentView_;
    std::shared_ptr<ui::Button> closeButton_;
    ui::InterfaceOrientationMask orientations_ = ui::InterfaceOrientationMaskAll;
};
