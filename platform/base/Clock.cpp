#include "platform/base/Clock.h"

#include "platform/base/NoDestructor.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>

namespace base {

namespace {

std::mutex& clockMutex() {
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<Clock>& installedClock() {
    static NoDestructor<std::shared_ptr<Clock>> clock(std::make_shared<SystemClock>());
    return *clock;
}

std::int64_t readClock(clockid_t id) {
    timespec now{};
    clock_gettime(id, &now);
    return std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

} // namespace

Clock& Clock::current() {
    std::lock_guard lock(clockMutex());
    return *installedClock();
}

std::shared_ptr<Clock> Clock::install(std::shared_ptr<Clock> clock) {
    if (!clock)
        clock = std::make_shared<SystemClock>();
    std::lock_guard lock(clockMutex());
    std::swap(installedClock(), clock);
    return clock;
}

Date Date::now() {
    return Clock::current().now();
}

std::int64_t SystemClock::monotonicNanoseconds() const {
    return readClock(CLOCK_MONOTONIC);
}

Date SystemClock::now() const {
    return Date(double(readClock(CLOCK_REALTIME)) / 1e9);
}

int SystemClock::secondsFromGMT(Date at) const {
    time_t seconds = time_t(at.timeIntervalSince1970());
    tm local{};
    localtime_r(&seconds, &local);
    return int(local.tm_gmtoff);
}

std::string SystemClock::timeZoneName() const {
    if (const char* tz = std::getenv("TZ"); tz && *tz)
        return *tz == ':' ? std::string(tz + 1) : std::string(tz);
    std::ifstream file("/etc/timezone");
    std::string name;
    if (file && std::getline(file, name) && !name.empty())
        return name;
    std::error_code error;
    auto target = std::filesystem::read_symlink("/etc/localtime", error).string();
    if (auto at = target.find("zoneinfo/"); !error && at != std::string::npos)
        return target.substr(at + 9);
    return "UTC";
}

struct ManualClock::State {
    mutable std::mutex mutex;
    std::int64_t monotonic = 1'000'000'000;
    double wall = 0;
    int zoneOffset = 0;
    std::string zoneName;
};

ManualClock::ManualClock(Date start, int secondsFromGMT, std::string zoneName)
    : state_(std::make_shared<State>()) {
    state_->wall = start.timeIntervalSince1970();
    state_->zoneOffset = secondsFromGMT;
    state_->zoneName = std::move(zoneName);
}

std::int64_t ManualClock::monotonicNanoseconds() const {
    std::lock_guard lock(state_->mutex);
    return state_->monotonic;
}

Date ManualClock::now() const {
    std::lock_guard lock(state_->mutex);
    return Date(state_->wall);
}

int ManualClock::secondsFromGMT(Date) const {
    std::lock_guard lock(state_->mutex);
    return state_->zoneOffset;
}

std::string ManualClock::timeZoneName() const {
    std::lock_guard lock(state_->mutex);
    return state_->zoneName;
}

void ManualClock::advance(Seconds by) {
    advanceNanoseconds(std::int64_t(by.count() * 1e9));
}

void ManualClock::advanceNanoseconds(std::int64_t nanoseconds) {
    if (nanoseconds <= 0)
        return;
    std::lock_guard lock(state_->mutex);
    state_->monotonic += nanoseconds;
    state_->wall += double(nanoseconds) / 1e9;
}

void ManualClock::setNow(Date wallTime) {
    std::lock_guard lock(state_->mutex);
    state_->wall = wallTime.timeIntervalSince1970();
}

void ManualClock::setZone(int secondsFromGMT, std::string name) {
    std::lock_guard lock(state_->mutex);
    state_->zoneOffset = secondsFromGMT;
    state_->zoneName = std::move(name);
}

} // namespace base
