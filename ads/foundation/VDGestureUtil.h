#pragma once

#include "platform/ui/Geometry.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The gesture signal: what the ads client adds to each ad request and to each click URL so that
// the ad server can tell clicks that follow a real touch from clicks that do not.
//
// It remembers the touches reported to it (a count, and the place, duration and time of the
// last one) and computes, without any randomness:
//  - for a request, the pair "gsig=<payload>", the payload being the unpadded URL-safe base64 of
//    the text "1|<sdk version>|<major.minor.patch>|<identifier type>|<opted out 0/1>|
//    <first 16 hex digits of the MD5 of the device identifier, or empty>|<width>x<height>|
//    <time-zone minutes>|<touch count>";
//  - for a click with the ad's "ai" value, a bare query key: the unpadded URL-safe base64 of
//    18 bytes, big-endian: the first 6 bytes of the MD5 of the "ai" value, the touch count
//    (16 bits), the last touch's x and y in points (16 bits each, rounded and clamped), its
//    duration in milliseconds (16 bits) and the milliseconds since it ended (32 bits; all ones
//    when there was no touch). Counters saturate instead of wrapping.
//
// Its state lives on the main thread: the request and click calls run there synchronously
// (at once when already there), touch reports are moved there.
class VDGestureUtil : public std::enable_shared_from_this<VDGestureUtil> {
    struct Private {};

public:
    static constexpr const char* requestSignalKey = "gsig";

    // A process service (platform/base/ProcessWide.h).
    static std::shared_ptr<VDGestureUtil> sharedInstance();

    explicit VDGestureUtil(Private) {}

    // Fills `signal` with "gsig=<payload>"; false, leaving it empty, for an empty version.
    bool requestSignalForVersion(std::string_view sdkVersion, std::string& signal);
    // Fills `signal` with the click suffix; false, leaving it empty, for an empty "ai" value.
    bool clickSignalForAdIdentifier(std::string_view adIdentifier, std::string& signal);

    // The creative's "touch" message: where (points) and how long (seconds) the touch was.
    void reportTouch(double x, double y, double durationSeconds);
    // Touches on the ad web view: one report per gesture; the last point is where it ended.
    void reportTouchPoints(const std::vector<ui::Point>& points);

    std::uint64_t touchCount() const;

private:
    void recordTouch(ui::Point at, double durationSeconds);

    // Main thread only.
    std::uint64_t touchCount_ = 0;
    ui::Point lastTouch_;
    double lastTouchDuration_ = 0;
    std::optional<std::uint64_t> lastTouchTime_; // VDAbsoluteTime milliseconds
};
