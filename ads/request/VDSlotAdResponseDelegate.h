#pragma once

#include "platform/base/Error.h"

#include <memory>
#include <optional>

class VDAd;
class VDSlot;

// What receives a slot's fetched responses: the slot itself unless an owner that reads
// responses itself replaces it. Main thread.
class VDSlotAdResponseDelegate {
public:
    virtual ~VDSlotAdResponseDelegate() = default;

    virtual void slotDidFailToReceiveAdWithError(VDSlot& slot,
                                                 const std::optional<base::Error>& error) = 0;
    // Whether the response was taken; a response not taken fails the load.
    virtual bool slotDidReceiveAd(VDSlot& slot, const std::shared_ptr<VDAd>& ad) = 0;
};
