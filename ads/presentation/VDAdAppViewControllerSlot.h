#pragma once

// What an ad app's full-screen page tells the slot it is shown for (the request layer's
// VDSlot): the ad's view appears and disappears, so its viewability measurement starts and
// stops. Main thread.
class VDAdAppViewControllerSlot {
public:
    virtual ~VDAdAppViewControllerSlot() = default;

    virtual void interstitialViewWillAppear() = 0;
    virtual void interstitialViewWillDisappear() = 0;
};
