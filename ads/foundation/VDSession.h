#pragma once

#include <memory>
#include <string>

// One run of the application as the ad server sees it: an identifier drawn from the
// cryptographic random source when the session is made. The application makes one session,
// so the identifier is fixed for the life of the process and new at every launch.
class VDSession {
    struct Private {};

public:
    static std::shared_ptr<VDSession> create();
    explicit VDSession(Private);

    // The decimal text of an unsigned 64-bit number made of 8 random bytes in the processor's
    // byte order.
    const std::string& uniqueID() const { return uniqueID_; }

private:
    const std::string uniqueID_;
};
