#pragma once

#include "ads/request/VDSlotAdEventDelegate.h"

#include <memory>

class VDAdLoader;

// The ad-event delegate of an ad loader's slot: it hands the slot's failures to the loader
// (held weakly), whatever step they come from (a refused request, the core page, the fetch, a
// response that is not native), so that the loader's host hears each failure once. Main
// thread.
class VDAdPreprocessor final : public VDSlotAdEventDelegate {
public:
    explicit VDAdPreprocessor(std::weak_ptr<VDAdLoader> loader)
        : loader_(std::move(loader)) {}

    void slotFinishedLoadingAdContent(VDSlot& slot) override { (void)slot; }
    void slotDidFailToLoadAdContentWithError(VDSlot& slot, const base::Error& error) override;

private:
    std::weak_ptr<VDAdLoader> loader_;
};
