#pragma once

// What takes part in a full-screen takeover (the request layer's VDSlot): it hears the
// takeover begin, be about to end and end. Main thread.
class VDIntermissionParticipant {
public:
    virtual ~VDIntermissionParticipant() = default;

    virtual void adWillPresentScreen() = 0;
    virtual void adWillDismissScreen() = 0;
    virtual void adDidDismissScreen() = 0;
};
