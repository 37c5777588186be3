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

TEST_F(ClockTest, ManualClockMovesOnlyWhenToldAndMonotonicTimeNeverGoesBack) {
    ManualClock manual(Date(1'600'000'000.5), -7200, "America/Noronha");
    EXPECT_EQ(manual.now(), Date(1'600'000'000.5));
    EXPECT_EQ(manual.timeZoneName(), "America/Noronha");
    const std::int64_t start = manual.monotonicNanoseconds();
    EXPECT_EQ(manual.monotonicNanoseconds(), start);

    manual.advance(Seconds(1.5));
    manual.advance(std::chrono::milliseconds(250));
    manual.advanceNanoseconds(7);
    EXPECT_EQ(manual.monotonicNanoseconds(), start + 1'750'000'007);
    EXPECT_NEAR(manual.now().timeIntervalSince1970(), 1'600'000'002.25, 1e-6);

    // A backwards or empty step moves nothing.
    manual.advance(Seconds(-5));
    manual.advanceNanoseconds(-1);
    EXPECT_EQ(manual.monotonicNanoseconds(), start + 1'750'000'007);

    // Wall time may go back (the user sets the date); monotonic time does not follow, and
    // advancing moves both from where each stands.
    manual.setNow(Date(1'000'000'000));
    EXPECT_EQ(manual.monotonicNanoseconds(), start + 1'750'000'007);
    manual.advance(Seconds(3));
    EXPECT_EQ(manual.now(), Date(1'000'000'003));
    EXPECT_EQ(manual.monotonicNanoseconds(), start + 4'750'000'007);

    // A manual zone is a fixed offset whatever the date, and changes no moment.
    manual.setZone(-4 * 3600, "America/New_York");
    EXPECT_EQ(manual.timeZoneName(), "America/New_York");
    EXPECT_EQ(manual.secondsFromGMT(Date(midJuly)), -14'400);
    EXPECT_EQ(manual.secondsFromGMT(Date(midJanuary)), -14'400);
    EXPECT_EQ(manual.now(), Date(1'000'000'003));
    EXPECT_EQ(ManualClock().secondsFromGMT(Date(midJuly)), 0);
}

TEST_F(ClockTest, SystemClockFollowsDaylightSavingOfTheZone) {
    struct Row {
        const char* tz;
        const char* name;
        double springForward, fallBack;
        int winter, summer;
    };
    const Row rows[] = {
        {"Europe/Paris", "Europe/Paris", parisSpringForward, parisFallBack, 3600, 7200},
        // The leading colon of an implementation-defined $TZ is not part of the name.
        {":America/New_York", "America/New_York", newYorkSpringForward, newYorkFallBack, -18'000,
         -14'400},
        // A POSIX rule string needs no zone database.
        {"CET-1CEST,M3.5.0,M10.5.0/3", nullptr, parisSpringForward, parisFallBack, 3600, 7200},
        {"UTC", "UTC", midJanuary, midJuly, 0, 0},
    };
    SystemClock system;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.tz);
        ScopedTimeZone zone(row.tz);
        if (row.name) {
            EXPECT_EQ(system.timeZoneName(), row.name);
        }
        EXPECT_EQ(system.secondsFromGMT(Date(row.springForward - 1)), row.winter);
        EXPECT_EQ(system.secondsFromGMT(Date(row.springForward)), row.summer);
        EXPECT_EQ(system.secondsFromGMT(Date(row.fallBack - 1)), row.summer);
        EXPECT_EQ(system.secondsFromGMT(Date(row.fallBack)), row.winter);
    }
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
