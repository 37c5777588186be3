#include "platform/base/Date.h"

#include <chrono>
#include <cstdint>

namespace base {

std::optional<Date> Date::fromUTC(int year, int month, int day, int hour, int minute, int second) {
    using namespace std::chrono;
    if (year < -32767 || year > 32767 || month < 1 || month > 12 || day < 1 || day > 31 ||
        hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60)
        return std::nullopt;
    const year_month_day date{std::chrono::year(year), std::chrono::month(unsigned(month)),
                              std::chrono::day(unsigned(day))};
    if (!date.ok())
        return std::nullopt;
    const std::int64_t days = sys_days(date).time_since_epoch().count();
    return Date(double(days * 86400 + hour * 3600 + minute * 60 + second));
}

} // namespace base
