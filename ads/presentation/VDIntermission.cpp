#include "ads/presentation/VDIntermission.h"

#include <vector>

void VDIntermission::addParticipant(const std::shared_ptr<VDIntermissionParticipant>& participant) {
    if (auto reference = VDWeakReference::createWithObject(participant))
        participants_.insert(*reference);
}

void VDIntermission::removeParticipant(
    const std::shared_ptr<VDIntermissionParticipant>& participant) {
    if (auto reference = VDWeakReference::createWithObject(participant))
        participants_.erase(*reference);
}

void VDIntermission::begin() {
    tell(&VDIntermissionParticipant::adWillPresentScreen);
}

void VDIntermission::willEnd() {
    tell(&VDIntermissionParticipant::adWillDismissScreen);
}

void VDIntermission::didEnd() {
    tell(&VDIntermissionParticipant::adDidDismissScreen);
}

void VDIntermission::tell(void (VDIntermissionParticipant::*event)()) {
    // Taken first: a participant may join or leave while it is told.
    std::vector<std::shared_ptr<VDIntermissionParticipant>> living;
    std::erase_if(participants_, [&](const VDWeakReference& reference) {
        auto participant = reference.weakObjectAs<VDIntermissionParticipant>();
        if (!participant)
            return true;
        living.push_back(std::move(participant));
        return false;
    });
    for (const auto& participant : living)
        (participant.get()->*event)();
}
