#pragma once

// What the opener tells the slot whose creative was clicked (the request layer's VDSlot).
// Main thread.
class VDOpenerDelegate {
public:
    virtual ~VDOpenerDelegate() = default;

    // The click's target was opened: its click URLs are pinged.
    virtual void pingClickURLs() = 0;
    // The click is about to leave the application, in this order.
    virtual void adWillLeaveApplication() = 0;
    virtual void willLeaveAppDueToClick() = 0;
};
