#pragma once

#include <cstdint>

class VDActiveViewAMSGHandler;

// Hears the active-view page's verdicts for one measurement, by its active-view identifier.
// Main thread.
class VDActiveViewAMSGHandlerDelegate {
public:
    virtual ~VDActiveViewAMSGHandlerDelegate() = default;
    virtual void activeViewAMSGHandlerDidReceiveVisibilityNotificationForActiveViewID(
        VDActiveViewAMSGHandler& handler, bool visible, std::uint64_t activeViewID) = 0;
    virtual void activeViewAMSGHandlerDidReceiveUntrackNotificationForActiveViewID(
        VDActiveViewAMSGHandler& handler, std::uint64_t activeViewID) = 0;
};
