#include "ads/foundation/VDGestureUtil.h"

#include "ads/foundation/VDAbsoluteTime.h"
#include "ads/foundation/VDGestureIdUtil.h"
#include "ads/foundation/VDMainThread.h"
#include "ads/foundation/VD_TKStringEncoding.h"
#include "platform/base/Hashing.h"
#include "platform/base/ProcessWide.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>

namespace {

const VD_TKStringEncoding& payloadEncoding() {
    static const VD_TKStringEncoding encoding = [] {
        auto websafe = VD_TKStringEncoding::rfc4648Base64WebsafeStringEncoding();
        websafe.setDoPad(false);
        return websafe;
    }();
    return encoding;
}

template <class T> T saturated(double value) {
    if (!(value > 0))
        return 0;
    const double top = double(std::numeric_limits<T>::max());
    return value >= top ? std::numeric_limits<T>::max() : T(std::llround(value));
}

template <class T> void appendBigEndian(std::vector<std::uint8_t>& bytes, T value) {
    for (int shift = int(sizeof(T) * 8) - 8; shift >= 0; shift -= 8)
        bytes.push_back(std::uint8_t(value >> shift));
}

} // namespace

std::shared_ptr<VDGestureUtil> VDGestureUtil::sharedInstance() {
    static base::ProcessWide<VDGestureUtil> shared(
        [] { return std::make_shared<VDGestureUtil>(Private{}); });
    return shared.get();
}

bool VDGestureUtil::requestSignalForVersion(std::string_view sdkVersion, std::string& signal) {
    signal.clear();
    if (sdkVersion.empty())
        return false;
    VDRunSyncOnMainThread([&] {
        auto ids = VDGestureIdUtil::sharedInstance();
        std::int32_t major = 0, minor = 0, bugFix = 0;
        VDGestureIdUtil::getOSMajorMinorBugFix(&major, &minor, &bugFix);
        std::string identifier = ids->deviceIdentifier();
        std::string identifierDigest =
            identifier.empty() ? std::string() : base::md5Hex(identifier).substr(0, 16);
        auto size = VDMainScreenSizeInts();
        std::string text = "1|" + std::string(sdkVersion) + "|" + std::to_string(major) + "." +
                           std::to_string(minor) + "." + std::to_string(bugFix) + "|" +
                           std::to_string(ids->deviceIdentifierType()) + "|" +
                           (ids->deviceOptedOut() ? "1" : "0") + "|" + identifierDigest + "|" +
                           std::to_string(size.width) + "x" + std::to_string(size.height) + "|" +
                           std::to_string(VDTimeZoneOffsetMinutes()) + "|" +
                           std::to_string(touchCount_);
        signal = std::string(requestSignalKey) + "=" + payloadEncoding().encodeString(text);
    });
    return true;
}

bool VDGestureUtil::clickSignalForAdIdentifier(std::string_view adIdentifier, std::string& signal) {
    signal.clear();
    if (adIdentifier.empty())
        return false;
    // The digest is of bytes, so an "ai" value that is not UTF-8 is signed as it is.
    base::Data digest = base::md5(base::Data(adIdentifier.data(), adIdentifier.size()));
    VDRunSyncOnMainThread([&] {
        std::vector<std::uint8_t> bytes(digest.bytes(), digest.bytes() + 6);
        appendBigEndian(bytes, saturated<std::uint16_t>(double(touchCount_)));
        appendBigEndian(bytes, saturated<std::uint16_t>(lastTouch_.x));
        appendBigEndian(bytes, saturated<std::uint16_t>(lastTouch_.y));
        appendBigEndian(bytes, saturated<std::uint16_t>(lastTouchDuration_ * 1000));
        std::uint32_t sinceTouch = std::numeric_limits<std::uint32_t>::max();
        if (lastTouchTime_) {
            std::uint64_t now = VDAbsoluteTime::absoluteTimeInMilliseconds();
            sinceTouch =
                saturated<std::uint32_t>(double(now > *lastTouchTime_ ? now - *lastTouchTime_ : 0));
        }
        appendBigEndian(bytes, sinceTouch);
        signal = payloadEncoding().encode(base::Data(std::move(bytes)));
    });
    return true;
}

void VDGestureUtil::reportTouch(double x, double y, double durationSeconds) {
    VDRunAsyncOnMainThread([self = shared_from_this(), x, y, durationSeconds] {
        self->recordTouch(ui::Point(x, y), durationSeconds);
    });
}

void VDGestureUtil::reportTouchPoints(const std::vector<ui::Point>& points) {
    if (points.empty())
        return;
    VDRunAsyncOnMainThread(
        [self = shared_from_this(), last = points.back()] { self->recordTouch(last, 0); });
}

std::uint64_t VDGestureUtil::touchCount() const {
    std::uint64_t count = 0;
    VDRunSyncOnMainThread([&] { count = touchCount_; });
    return count;
}

void VDGestureUtil::recordTouch(ui::Point at, double durationSeconds) {
    ++touchCount_;
    lastTouch_ = at;
    lastTouchDuration_ = std::isfinite(durationSeconds) ? durationSeconds : 0;
    lastTouchTime_ = VDAbsoluteTime::absoluteTimeInMilliseconds();
}
