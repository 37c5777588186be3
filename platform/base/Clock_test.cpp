#include "platform/base/Clock.h"
#include "platform/testing/PlatformTest.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>
#include <string>

using base::Clock;
using base::Date;
using base::ManualClock;
using base::Seconds;
using base::SystemClock;

namespace {

// localtime_r() may keep the zone the C library read first until tzset() runs again, so the
// zone is set and put back through it.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ"))
            saved_ = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedTimeZone() {
        if (saved_)
            ::setenv("TZ", saved_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> saved_;
};

// Moments either side of the 2024 daylight-saving changes.
constexpr double parisSpringForward = 1'711'846'800;   // 2024-03-31 01:00:00 UTC
constexpr double parisFallBack = 1'729'990'800;        // 2024-10-27 01:00:00 UTC
constexpr double newYorkSpringForward = 1'710'054'000; // 2024-03-10 07:00:00 UTC
constexpr double newYorkFallBack = 1'730'613'600;      // 2024-11-03 06:00:00 UTC
constexpr double midJanuary = 1'705'320'000;           // 2024-01-15 12:00:00 UTC
constexpr double midJuly = 1'721'044'800;              // 2024-07-15 12:00:00 UTC

class ClockTest : public testing_support::PlatformTest {};

TEST_F(ClockTest, InstalledClockAnswersUntilReplacedAndNullRestoresTheSystemClock) {
    auto manual = std::make_shared<ManualClock>(Date(1'234'567'890), 3600, "Europe/Paris");
    std::shared_ptr<Clock> replaced = Clock::install(manual);
    EXPECT_EQ(replaced.get(), &clock()) << "install hands back the clock it replaced";
    EXPECT_EQ(&Clock::current(), manual.get());
    EXPECT_EQ(Date::now(), Date(1'234'567'890));
    EXPECT_EQ(Clock::current().timeZoneName(), "Europe/Paris");

    manual->advance(Seconds(2));
    EXPECT_EQ(Date::now(), Date(1'234'567'892)) << "the installed clock is read, not a copy";

    std::shared_ptr<Clock> previous = Clock::install(nullptr);
    EXPECT_EQ(previous, manual);
    EXPECT_NE(dynamic_cast<SystemClock*>(&Clock::current()), nullptr);
    EXPECT_FALSE(Clock::current().isManual());
    const double systemNow =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    EXPECT_NEAR(Date::now().timeIntervalSince1970(), systemNow, 60);

    // Putting the replaced clock back makes it answer again.
    std::shared_ptr<Clock> system = Clock::install(replaced);
    EXPECT_NE(dynamic_cast<SystemClock*>(system.get()), nullptr);
    EXPECT_EQ(&Clock::current(), &clock());
    EXPECT_TRUE(Clock::current().isManual());
    EXPECT_EQ(Date::now(), clock().now());
}

TEST_F(ClockTest, ManualClockStartsWhereToldAndMovesOnlyWhenAdvanced) {
    ManualClock manual(Date(1'600'000'000.5), -7200, "America/Noronha");
    EXPECT_TRUE(manual.isManual());
    EXPECT_EQ(manual.now(), Date(1'600'000'000.5));
    EXPECT_EQ(manual.secondsFromGMT(manual.now()), -7200);
    EXPECT_EQ(manual.timeZoneName(), "America/Noronha");
    const std::int64_t start = manual.monotonicNanoseconds();
    EXPECT_EQ(manual.monotonicNanoseconds(), start);
    EXPECT_EQ(manual.now(), Date(1'600'000'000.5));

    manual.advance(Seconds(1.5));
    EXPECT_EQ(manual.monotonicNanoseconds(), start + 1'500'000'000);
    EXPECT_DOUBLE_EQ(manual.now().timeIntervalSince1970(), 1'600'000'002.0);

    manual.advance(std::chrono::milliseconds(250));
    EXPECT_EQ(manual.monotonicNanoseconds(), start + 1'750'000'000);
    EXPECT_DOUBLE_EQ(manual.now().timeIntervalSince1970(), 1'600'000'002.25);

    manual.advanceNanoseconds(7);
    EXPECT_EQ(manual.monotonicNanoseconds(), start + 1'750'000'007);

    // Monotonic time never goes back, so a backwards or empty step moves nothing.
    manual.advance(Seconds(-5));
    manual.advanceNanoseconds(-1);
    manual.advanceNanoseconds(0);
    EXPECT_EQ(manual.monotonicNanoseconds(), start + 1'750'000'007);
    EXPECT_NEAR(manual.now().timeIntervalSince1970(), 1'600'000'002.25, 1e-6);
}

TEST_F(ClockTest, DefaultManualClockIsUTC) {
    ManualClock manual;
    EXPECT_EQ(manual.now(), Date(1'700'000'000));
    EXPECT_EQ(manual.secondsFromGMT(Date(midJuly)), 0);
    EXPECT_EQ(manual.timeZoneName(), "UTC");
}

TEST_F(ClockTest, SettingWallTimeLeavesMonotonicTimeAlone) {
    ManualClock manual(Date(1'700'000'000));
    const std::int64_t start = manual.monotonicNanoseconds();

    manual.setNow(Date(1'800'000'000));
    EXPECT_EQ(manual.now(), Date(1'800'000'000));
    EXPECT_EQ(manual.monotonicNanoseconds(), start);

    // Wall time may go back (the user sets the date); monotonic time does not follow.
    manual.setNow(Date(1'000'000'000));
    EXPECT_EQ(manual.now(), Date(1'000'000'000));
    EXPECT_EQ(manual.monotonicNanoseconds(), start);

    // Advancing moves both from where each stands.
    manual.advance(Seconds(3));
    EXPECT_EQ(manual.now(), Date(1'000'000'003));
    EXPECT_EQ(manual.monotonicNanoseconds(), start + 3'000'000'000);
}

TEST_F(ClockTest, ManualZoneIsAFixedOffsetUntilChanged) {
    ManualClock manual;
    manual.setZone(5 * 3600 + 1800, "Asia/Kolkata");
    EXPECT_EQ(manual.timeZoneName(), "Asia/Kolkata");
    EXPECT_EQ(manual.secondsFromGMT(Date(midJanuary)), 19'800);
    EXPECT_EQ(manual.secondsFromGMT(Date(midJuly)), 19'800);

    manual.setZone(-4 * 3600, "America/New_York");
    EXPECT_EQ(manual.timeZoneName(), "America/New_York");
    EXPECT_EQ(manual.secondsFromGMT(Date(midJuly)), -14'400);
    EXPECT_EQ(manual.secondsFromGMT(Date(midJanuary)), -14'400)
        << "a manual clock keeps the offset it was given whatever the date";

    // The zone changes the offset only, never the moment.
    const Date before = manual.now();
    const std::int64_t monotonic = manual.monotonicNanoseconds();
    manual.setZone(3600, "Europe/Paris");
    EXPECT_EQ(manual.now(), before);
    EXPECT_EQ(manual.monotonicNanoseconds(), monotonic);
}

TEST_F(ClockTest, SystemClockFollowsDaylightSavingInANamedZone) {
    SystemClock system;
    {
        ScopedTimeZone zone("Europe/Paris");
        EXPECT_EQ(system.timeZoneName(), "Europe/Paris");
        EXPECT_EQ(system.secondsFromGMT(Date(midJanuary)), 3600);
        EXPECT_EQ(system.secondsFromGMT(Date(midJuly)), 7200);
        EXPECT_EQ(system.secondsFromGMT(Date(parisSpringForward - 1)), 3600);
        EXPECT_EQ(system.secondsFromGMT(Date(parisSpringForward)), 7200);
        EXPECT_EQ(system.secondsFromGMT(Date(parisFallBack - 1)), 7200);
        EXPECT_EQ(system.secondsFromGMT(Date(parisFallBack)), 3600);
    }
    {
        // The leading colon of an implementation-defined $TZ is not part of the name.
        ScopedTimeZone zone(":America/New_York");
        EXPECT_EQ(system.timeZoneName(), "America/New_York");
        EXPECT_EQ(system.secondsFromGMT(Date(newYorkSpringForward - 1)), -18'000);
        EXPECT_EQ(system.secondsFromGMT(Date(newYorkSpringForward)), -14'400);
        EXPECT_EQ(system.secondsFromGMT(Date(newYorkFallBack - 1)), -14'400);
        EXPECT_EQ(system.secondsFromGMT(Date(newYorkFallBack)), -18'000);
    }
    {
        ScopedTimeZone zone("UTC");
        EXPECT_EQ(system.timeZoneName(), "UTC");
        EXPECT_EQ(system.secondsFromGMT(Date(midJuly)), 0);
    }
}

TEST_F(ClockTest, SystemClockFollowsRulesGivenInTheZoneString) {
    // A POSIX rule string needs no zone database: CET, with summer time from the last Sunday
    // of March to the last Sunday of October.
    ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    SystemClock system;
    EXPECT_EQ(system.secondsFromGMT(Date(parisSpringForward - 1)), 3600);
    EXPECT_EQ(system.secondsFromGMT(Date(parisSpringForward)), 7200);
    EXPECT_EQ(system.secondsFromGMT(Date(parisFallBack - 1)), 7200);
    EXPECT_EQ(system.secondsFromGMT(Date(parisFallBack)), 3600);
}

TEST_F(ClockTest, SystemClockReadsRealTime) {
    SystemClock system;
    const std::int64_t first = system.monotonicNanoseconds();
    const std::int64_t second = system.monotonicNanoseconds();
    EXPECT_GE(second, first);
    EXPECT_GT(first, 0);

    // Seconds since 1970, not milliseconds or nanoseconds: within a minute of the C library.
    const double wall = system.now().timeIntervalSince1970();
    EXPECT_NEAR(wall, double(std::time(nullptr)), 60);
}

} // namespace
