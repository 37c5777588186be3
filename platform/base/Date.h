#pragma once

#include <compare>
#include <optional>

namespace base {

// A point in wall time: seconds since 1970-01-01 00:00:00 UTC.
class Date {
public:
    constexpr Date() = default;
    constexpr explicit Date(double secondsSince1970)
        : seconds_(secondsSince1970) {}

    static Date now(); // from the installed base::Clock
    // The moment of a UTC calendar date (proleptic Gregorian) and time of day; nullopt for a
    // day the month does not have or a field out of range (hour 0-23, minute 0-59, second 0-60:
    // a leap second runs into the next minute).
    static std::optional<Date> fromUTC(int year, int month, int day, int hour = 0, int minute = 0,
                                       int second = 0);

    constexpr double timeIntervalSince1970() const { return seconds_; }
    constexpr double timeIntervalSince(Date other) const { return seconds_ - other.seconds_; }
    constexpr Date addingTimeInterval(double seconds) const { return Date(seconds_ + seconds); }

    friend constexpr auto operator<=>(Date, Date) = default;

private:
    double seconds_ = 0;
};

} // namespace base
