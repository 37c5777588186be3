#pragma once

#include <compare>

namespace base {

// A point in wall time: seconds since 1970-01-01 00:00:00 UTC.
class Date {
public:
    constexpr Date() = default;
    constexpr explicit Date(double secondsSince1970) : seconds_(secondsSince1970) {}

    static Date now(); // from the installed base::Clock

    constexpr double timeIntervalSince1970() const { return seconds_; }
    constexpr double timeIntervalSince(Date other) const { return seconds_ - other.seconds_; }
    constexpr Date addingTimeInterval(double seconds) const { return Date(seconds_ + seconds); }

    friend constexpr auto operator<=>(Date, Date) = default;

private:
    double seconds_ = 0;
};

} // namespace base
