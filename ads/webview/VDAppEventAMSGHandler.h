#pragma once

#include "ads/webview/VDAMSGHandler.h"
#include "ads/webview/VDAdViewSlot.h"

#include <memory>

// The creative's app events on the "amsg" bus: "app" ("name", and "info" when given) reaches
// the slot, whose owner hears it when it answers app events. A message without a non-empty
// name is ignored. The slot is held weakly. Main thread only.
class VDAppEventAMSGHandler : public VDAMSGHandler {
public:
    static constexpr const char* appEventMessage = "app";

    explicit VDAppEventAMSGHandler(std::weak_ptr<VDAdViewSlot> slot)
        : slot_(std::move(slot)) {}

    const ActionBlockDictionary& actionBlockDictionary() const override;

    void didReceiveAppEventNotification(const VDNotification& note);

private:
    std::weak_ptr<VDAdViewSlot> slot_;
};
