#include "platform/base/HTTPDate.h"

#include "platform/base/Strings.h"

#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

namespace base {

namespace {

constexpr std::array<std::string_view, 12> monthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<std::string_view, 7> dayNames = {"Sun", "Mon", "Tue", "Wed",
                                                      "Thu", "Fri", "Sat"};
constexpr std::array<std::string_view, 7> fullDayNames = {
    "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

template <std::size_t N>
bool isOneOf(std::string_view word, const std::array<std::string_view, N>& names) {
    for (auto name : names) {
        if (equalsIgnoringASCIICase(word, name))
            return true;
    }
    return false;
}

// "Sun," or "Sunday,": servers mix the two forms.
bool isWeekdayWithComma(std::string_view word) {
    if (!word.ends_with(','))
        return false;
    word.remove_suffix(1);
    return isOneOf(word, dayNames) || isOneOf(word, fullDayNames);
}

std::optional<unsigned> monthNumber(std::string_view word) {
    for (unsigned i = 0; i < monthNames.size(); ++i) {
        if (equalsIgnoringASCIICase(word, monthNames[i]))
            return i + 1;
    }
    return std::nullopt;
}

// Digits only, between minDigits and maxDigits of them.
std::optional<int> number(std::string_view text, std::size_t minDigits, std::size_t maxDigits) {
    if (text.size() < minDigits || text.size() > maxDigits)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t at = 0;
    while (at < text.size()) {
        if (text[at] == ' ' || text[at] == '\t') {
            ++at;
            continue;
        }
        const auto end = std::min(text.find_first_of(" \t", at), text.size());
        out.push_back(text.substr(at, end - at));
        at = end;
    }
    return out;
}

// "HH:mm:ss" → seconds into the day. A leap second (":60") is allowed and runs into the next
// minute.
std::optional<int> timeOfDay(std::string_view text) {
    if (text.size() != 8 || text[2] != ':' || text[5] != ':')
        return std::nullopt;
    const auto hours = number(text.substr(0, 2), 2, 2);
    const auto minutes = number(text.substr(3, 2), 2, 2);
    const auto seconds = number(text.substr(6, 2), 2, 2);
    if (!hours || !minutes || !seconds || *hours > 23 || *minutes > 59 || *seconds > 60)
        return std::nullopt;
    return *hours * 3600 + *minutes * 60 + *seconds;
}

// The zone's offset east of UTC, in seconds.
std::optional<int> zoneOffset(std::string_view zone) {
    for (auto utc : {"GMT", "UTC", "UT", "Z"}) {
        if (equalsIgnoringASCIICase(zone, utc))
            return 0;
    }
    struct Named {
        std::string_view name;
        int hours;
    };
    static constexpr std::array<Named, 8> americanZones = {{{"EST", -5},
                                                            {"EDT", -4},
                                                            {"CST", -6},
                                                            {"CDT", -5},
                                                            {"MST", -7},
                                                            {"MDT", -6},
                                                            {"PST", -8},
                                                            {"PDT", -7}}};
    for (const auto& named : americanZones) {
        if (equalsIgnoringASCIICase(zone, named.name))
            return named.hours * 3600;
    }
    if (zone.size() == 5 && (zone[0] == '+' || zone[0] == '-')) {
        const auto hours = number(zone.substr(1, 2), 2, 2);
        const auto minutes = number(zone.substr(3, 2), 2, 2);
        if (!hours || !minutes || *hours > 23 || *minutes > 59)
            return std::nullopt;
        const int offset = *hours * 3600 + *minutes * 60;
        return zone[0] == '-' ? -offset : offset;
    }
    return std::nullopt;
}

std::optional<Date> makeDate(int year, unsigned month, int day, int seconds, int offset) {
    auto midnight = Date::fromUTC(year, int(month), day);
    if (!midnight)
        return std::nullopt;
    return midnight->addingTimeInterval(seconds - offset);
}

std::chrono::year_month_day civilDay(std::int64_t wholeSeconds) {
    using namespace std::chrono;
    const auto dayCount = wholeSeconds >= 0 ? wholeSeconds / 86400 : (wholeSeconds - 86399) / 86400;
    return year_month_day{sys_days{days(dayCount)}};
}

// RFC 9110 section 5.6.7: a two-digit year that would lie more than 50 years in the future is
// the most recent past year with those digits; otherwise the nearest future one.
int fullYear(int twoDigits) {
    const int now =
        int(civilDay(std::int64_t(std::floor(Date::now().timeIntervalSince1970()))).year());
    int year = now - now % 100 + twoDigits;
    if (year > now + 50)
        year -= 100;
    else if (year + 100 <= now + 50)
        year += 100;
    return year;
}

// "Sun, 06 Nov 1994 08:49:37 GMT"
std::optional<Date> parseRFC1123(const std::vector<std::string_view>& w) {
    if (w.size() != 6 || !isWeekdayWithComma(w[0]))
        return std::nullopt;
    const auto day = number(w[1], 1, 2);
    const auto month = monthNumber(w[2]);
    const auto year = number(w[3], 4, 4);
    const auto time = timeOfDay(w[4]);
    const auto offset = zoneOffset(w[5]);
    if (!day || !month || !year || !time || !offset)
        return std::nullopt;
    return makeDate(*year, *month, *day, *time, *offset);
}

// "Sunday, 06-Nov-94 08:49:37 GMT", also "Sun, 06-Nov-1994 08:49:37 GMT" as cookies carry it
std::optional<Date> parseRFC850(const std::vector<std::string_view>& w) {
    if (w.size() != 4 || !isWeekdayWithComma(w[0]))
        return std::nullopt;
    const auto parts = split(w[1], "-");
    if (parts.size() != 3)
        return std::nullopt;
    const auto day = number(parts[0], 1, 2);
    const auto month = monthNumber(parts[1]);
    const auto writtenYear = parts[2].size() == 4 ? number(parts[2], 4, 4) : number(parts[2], 2, 2);
    const auto time = timeOfDay(w[2]);
    const auto offset = zoneOffset(w[3]);
    if (!day || !month || !writtenYear || !time || !offset)
        return std::nullopt;
    const int year = parts[2].size() == 2 ? fullYear(*writtenYear) : *writtenYear;
    return makeDate(year, *month, *day, *time, *offset);
}

// "Sun Nov  6 08:49:37 1994"
std::optional<Date> parseAsctime(const std::vector<std::string_view>& w) {
    if (w.size() != 5 || !isOneOf(w[0], dayNames))
        return std::nullopt;
    const auto month = monthNumber(w[1]);
    const auto day = number(w[2], 1, 2);
    const auto time = timeOfDay(w[3]);
    const auto year = number(w[4], 4, 4);
    if (!day || !month || !year || !time)
        return std::nullopt;
    return makeDate(*year, *month, *day, *time, 0);
}

void appendPadded(std::string& out, long long value, std::size_t width) {
    std::string digits = std::to_string(value);
    if (digits.size() < width)
        out.append(width - digits.size(), '0');
    out += digits;
}

} // namespace

std::optional<Date> parseHTTPDate(std::string_view text) {
    const auto w = words(text);
    if (auto date = parseRFC1123(w))
        return date;
    if (auto date = parseAsctime(w))
        return date;
    return parseRFC850(w);
}

std::string formatHTTPDate(Date date) {
    using namespace std::chrono;
    const double seconds = std::floor(date.timeIntervalSince1970());
    // 0001-01-01 and 9999-12-31 23:59:59 UTC.
    constexpr double earliest = -62135596800.0;
    constexpr double latest = 253402300799.0;
    if (!std::isfinite(seconds) || seconds < earliest || seconds > latest)
        return {};
    const auto whole = static_cast<std::int64_t>(seconds);
    const year_month_day ymd = civilDay(whole);
    const sys_days day{ymd};
    const auto secondOfDay = whole - day.time_since_epoch().count() * std::int64_t(86400);
    const weekday dayOfWeek{day};

    std::string out;
    out += dayNames[dayOfWeek.c_encoding()];
    out += ", ";
    appendPadded(out, static_cast<unsigned>(ymd.day()), 2);
    out += ' ';
    out += monthNames[static_cast<unsigned>(ymd.month()) - 1];
    out += ' ';
    appendPadded(out, static_cast<int>(ymd.year()), 4);
    out += ' ';
    appendPadded(out, secondOfDay / 3600, 2);
    out += ':';
    appendPadded(out, secondOfDay / 60 % 60, 2);
    out += ':';
    appendPadded(out, secondOfDay % 60, 2);
    out += " GMT";
    return out;
}

} // namespace base
