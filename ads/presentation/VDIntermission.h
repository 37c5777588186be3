#pragma once

#include "ads/foundation/VDWeakReference.h"
#include "ads/presentation/VDIntermissionParticipant.h"

#include <memory>

// One full-screen takeover (a full-screen view or an overlay taking over the screen) and the
// slots it concerns. Participants are held weakly, each once; begin(), willEnd() and didEnd()
// tell every living participant adWillPresentScreen, adWillDismissScreen and
// adDidDismissScreen. Main thread only.
class VDIntermission {
    struct Private {};

public:
    static std::shared_ptr<VDIntermission> create() {
        return std::make_shared<VDIntermission>(Private{});
    }
    explicit VDIntermission(Private) {}

    void addParticipant(const std::shared_ptr<VDIntermissionParticipant>& participant);
    void removeParticipant(const std::shared_ptr<VDIntermissionParticipant>& participant);
    bool hasParticipant(const std::shared_ptr<VDIntermissionParticipant>& participant) const {
        return VDWeakReference::setContainsObject(participants_, participant);
    }

    void begin();
    void willEnd();
    void didEnd();

private:
    void tell(void (VDIntermissionParticipant::*event)());

    VDWeakReference::Set participants_;
};
