#pragma once

#include "ads/webview/VDAMSGHandler.h"
#include "ads/webview/VDAdViewSlot.h"

#include <memory>

// The creative's ad-app message on the "amsg" bus: "openAdApp" ("u" an absolute http or https
// URL) shows that page full screen for the slot. A message without such a URL is refused with
// one line in the public log. The slot is held weakly. Main thread only.
class VDAdAppAMSGHandler : public VDAMSGHandler {
public:
    static constexpr const char* openAdAppMessage = "openAdApp";

    explicit VDAdAppAMSGHandler(std::weak_ptr<VDAdViewSlot> slot)
        : slot_(std::move(slot)) {}

    const ActionBlockDictionary& actionBlockDictionary() const override;

    void actionOpenAdApp(const VDNotification& note);

private:
    std::weak_ptr<VDAdViewSlot> slot_;
};
