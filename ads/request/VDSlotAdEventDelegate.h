#pragma once

#include "platform/base/Error.h"

class VDSlot;

// What the owner of a slot hears of its ad's load and of the screens it opens (the banner view,
// the interstitial). Main thread. The first two are the load's outcome; the others come when a
// full-screen takeover begins, is about to end and has ended, and when a click leaves the
// application.
class VDSlotAdEventDelegate {
public:
    virtual ~VDSlotAdEventDelegate() = default;

    virtual void slotFinishedLoadingAdContent(VDSlot& slot) = 0;
    virtual void slotDidFailToLoadAdContentWithError(VDSlot& slot, const base::Error& error) = 0;
    virtual void slotWillPresentScreen(VDSlot& slot) { (void)slot; }
    virtual void slotWillDismissScreen(VDSlot& slot) { (void)slot; }
    virtual void slotDidDismissScreen(VDSlot& slot) { (void)slot; }
    virtual void slotWillLeaveApplication(VDSlot& slot) { (void)slot; }
};
