#pragma once

#include <memory>

class VDIntermission;
class VDStatisticDictionary;
namespace ui {
class ViewController;
}

// What the opener tells the slot whose creative was clicked (the request layer's VDSlot), and
// what it asks of it. Main thread.
class VDOpenerDelegate {
public:
    virtual ~VDOpenerDelegate() = default;

    // The click's target was opened: its click URLs are pinged.
    virtual void pingClickURLs() = 0;
    // The click is about to leave the application, in this order.
    virtual void adWillLeaveApplication() = 0;
    virtual void willLeaveAppDueToClick() = 0;

    // The controller that presents what a click opens inside the application (the store's
    // product sheet, the mail composer, the landing page); null when there is none.
    virtual std::shared_ptr<ui::ViewController> viewControllerForPresentingModalView() const = 0;
    // The statistics of the clicked ad, where its landing page records what the user did.
    virtual std::shared_ptr<VDStatisticDictionary> clickedAdStatistics() const = 0;
    // A full-screen takeover for this click begins: the slot takes part in it.
    virtual void setIntermission(const std::shared_ptr<VDIntermission>& intermission) = 0;
};
