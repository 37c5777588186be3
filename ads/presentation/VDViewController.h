#pragma once

#include "ads/foundation/VDStatisticDictionary.h"
#include "ads/presentation/VDIntermission.h"
#include "platform/ui/ViewController.h"

#include <memory>
#include <string>

// The base of the ads client's full-screen view controllers (the interstitial's, the landing
// page's). While it is presented modally it is one full-screen takeover:
//   - as its presentation begins: "kAdModalViewControllerWillPresentFullScreen" on the default
//     notification center (every slot pauses its refresh), then intermission()->begin();
//   - as its dismissal begins: intermission()->willEnd(), then recordDismissal();
//   - once its dismissal has ended: "kAdModalViewControllerDidDismissFullScreen" (every slot
//     re-arms its refresh), then intermission()->didEnd(), the last call, after which the
//     owner may let the controller go.
// Appearances that are no modal transition (a controller presented above it coming and going)
// post and tell nothing. Subclasses that override the appearance calls call these first.
// Main thread only.
class VDViewController : public ui::ViewController {
public:
    explicit VDViewController(std::string nibName = {});
    std::string className() const override { return "VDViewController"; }

    // The takeover's participants (the slots the screen is shown for) join it.
    const std::shared_ptr<VDIntermission>& intermission() const { return intermission_; }

    // The statistics of the ad whose click (or presentation) opened this screen; none is fine.
    const std::shared_ptr<VDStatisticDictionary>& adStatistics() const { return adStatistics_; }
    void setAdStatistics(std::shared_ptr<VDStatisticDictionary> statistics) {
        adStatistics_ = std::move(statistics);
    }
    // The ad's "tlanding_page_load_dismiss" becomes now and, after a click ("tclickcurr" set),
    // the pair (that click's time, now) is appended to "tclick"; both with notification.
    void recordDismissal();

    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;

private:
    bool inModalTransition(bool presentation) const;

    std::shared_ptr<VDIntermission> intermission_ = VDIntermission::create();
    std::shared_ptr<VDStatisticDictionary> adStatistics_;
    // Between the start of the modal presentation and the end of the dismissal.
    bool takingOver_ = false;
};
