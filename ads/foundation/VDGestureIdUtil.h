#pragma once

#include "platform/base/UserDefaults.h"

#include <cstdint>
#include <memory>
#include <string>

// The device values the gesture signal is made of: system version checks, the device
// identifier and its type, and the tracking opt-out. Made on first use, on the main thread, and
// used there.
class VDGestureIdUtil {
    struct Private {};

public:
    // User-defaults key of the per-installation identifier made on systems below 6.0.
    static constexpr const char* installationIdentifierKey = "madAppId";
    // deviceIdentifierType(): the advertising identifier, or the per-installation one.
    static constexpr int advertisingIdentifierType = 4;
    static constexpr int installationIdentifierType = 1;

    // A process service (platform/base/ProcessWide.h).
    static std::shared_ptr<VDGestureIdUtil> sharedInstance();

    static std::shared_ptr<VDGestureIdUtil> create();
    explicit VDGestureIdUtil(Private);

    // The parts of the system version; a missing part gives 0, a null pointer is skipped.
    static void getOSMajorMinorBugFix(std::int32_t* major, std::int32_t* minor,
                                      std::int32_t* bugFix);
    static bool isOSAtLeastMajorMinorBug(std::int32_t major, std::int32_t minor, std::int32_t bug);

    // The device's system version, read at each call.
    std::string osVersion() const;

    // From system 6.0 on, the advertising identifier while advertising tracking is on and the
    // empty string while it is off. Below 6.0, the per-installation identifier, made (an
    // upper-case UUID) and stored in the user defaults on first use.
    std::string deviceIdentifier();
    int deviceIdentifierType() const;
    // From system 6.0 on, whether advertising tracking is off; below, false.
    bool deviceOptedOut() const;

    const std::shared_ptr<base::UserDefaults>& userDefaults() const { return userDefaults_; }
    void setUserDefaults(std::shared_ptr<base::UserDefaults> userDefaults) {
        userDefaults_ = std::move(userDefaults);
    }

private:
    std::shared_ptr<base::UserDefaults> userDefaults_;
};

// The main screen's size in pixels (points × scale), each dimension truncated and made
// non-negative.
struct VDScreenSizeInts {
    std::int32_t width = 0;
    std::int32_t height = 0;
};
VDScreenSizeInts VDMainScreenSizeInts();

// Minutes east of UTC of the system time zone, plus 1440, so that it is positive for every real
// zone: 1440 in UTC, 1500 one hour east, 1140 five hours west.
std::int64_t VDTimeZoneOffsetMinutes();
