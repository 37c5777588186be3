#include "ads/foundation/VDGestureIdUtil.h"

#include "ads/foundation/VDOSVersion.h"
#include "platform/base/Clock.h"
#include "platform/base/Hashing.h"
#include "platform/base/ProcessWide.h"
#include "platform/ui/Device.h"
#include "platform/ui/Screen.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>

namespace {

std::int32_t pixels(double points, double scale) {
    double value = std::trunc(points * scale);
    if (!(value > 0))
        return 0;
    return value >= double(std::numeric_limits<std::int32_t>::max())
               ? std::numeric_limits<std::int32_t>::max()
               : std::int32_t(value);
}

} // namespace

std::shared_ptr<VDGestureIdUtil> VDGestureIdUtil::sharedInstance() {
    static base::ProcessWide<VDGestureIdUtil> shared([] { return create(); });
    return shared.get();
}

std::shared_ptr<VDGestureIdUtil> VDGestureIdUtil::create() {
    return std::make_shared<VDGestureIdUtil>(Private{});
}

VDGestureIdUtil::VDGestureIdUtil(Private)
    : userDefaults_(base::UserDefaults::standard()) {}

void VDGestureIdUtil::getOSMajorMinorBugFix(std::int32_t* major, std::int32_t* minor,
                                            std::int32_t* bugFix) {
    auto parts = VDOSVersionParts(sharedInstance()->osVersion());
    if (major)
        *major = parts[0];
    if (minor)
        *minor = parts[1];
    if (bugFix)
        *bugFix = parts[2];
}

bool VDGestureIdUtil::isOSAtLeastMajorMinorBug(std::int32_t major, std::int32_t minor,
                                               std::int32_t bug) {
    return VDOSVersionIsAtLeast(sharedInstance()->osVersion(), major, minor, bug);
}

std::string VDGestureIdUtil::osVersion() const {
    return ui::Device::current().systemVersion();
}

std::string VDGestureIdUtil::deviceIdentifier() {
    if (VDOSVersionIsAtLeast(osVersion(), 6, 0, 0)) {
        // The advertising identifier is handed out only while the user allows tracking.
        const auto& device = ui::Device::current();
        return device.isAdvertisingTrackingEnabled() ? device.advertisingIdentifier()
                                                     : std::string();
    }
    base::Value stored = userDefaults_->objectForKey(installationIdentifierKey);
    if (const std::string* text = stored.string(); text && !text->empty())
        return *text;
    std::string identifier = base::makeUUIDString();
    userDefaults_->setObject(installationIdentifierKey, base::Value(identifier));
    return identifier;
}

int VDGestureIdUtil::deviceIdentifierType() const {
    return VDOSVersionIsAtLeast(osVersion(), 6, 0, 0) ? advertisingIdentifierType
                                                      : installationIdentifierType;
}

bool VDGestureIdUtil::deviceOptedOut() const {
    if (!VDOSVersionIsAtLeast(osVersion(), 6, 0, 0))
        return false;
    return !ui::Device::current().isAdvertisingTrackingEnabled();
}

VDScreenSizeInts VDMainScreenSizeInts() {
    const auto& screen = ui::Screen::mainScreen();
    const ui::Rect bounds = screen.bounds();
    return {pixels(bounds.width(), screen.scale()), pixels(bounds.height(), screen.scale())};
}

std::int64_t VDTimeZoneOffsetMinutes() {
    const auto& clock = base::Clock::current();
    // UTC is 0 seconds from GMT at every moment.
    std::int64_t seconds = clock.secondsFromGMT(clock.now());
    return seconds / 60 + 1440;
}
