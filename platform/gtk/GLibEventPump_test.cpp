#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Timer.h"
#include "platform/gtk/GLibEventPump.h"
#include "platform/gtk/GtkPlatform.h"

#include <atomic>
#include <glib.h>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace gtk {
namespace {

using namespace std::chrono_literals;

// Counts the waits of the real pump, to see whether the loop sleeps or spins.
class CountingPump final : public base::RunLoop::EventPump {
public:
    explicit CountingPump(std::shared_ptr<GLibEventPump> inner)
        : inner_(std::move(inner)) {}
    void wait(base::Seconds maxWait) override {
        ++waits;
        inner_->wait(maxWait);
    }
    void wakeUp() override { inner_->wakeUp(); }
    std::atomic<int> waits{0};

private:
    std::shared_ptr<GLibEventPump> inner_;
};

class GLibEventPumpTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousClock_ = base::Clock::install(nullptr); // real time
        ASSERT_TRUE(GtkPlatform::install().ok());
        base::RunLoop::main().reset();
    }
    void TearDown() override {
        base::RunLoop::main().reset();
        base::RunLoop::main().setEventPump(GtkPlatform::eventPump());
        base::Clock::install(previousClock_);
    }
    std::shared_ptr<base::Clock> previousClock_;
};

TEST_F(GLibEventPumpTest, TimersOfBothSidesFireFromOneLoopOnTheMainThread) {
    std::vector<std::string> fired;
    bool glibOnMainThread = false;
    struct Context {
        std::vector<std::string>* fired;
        bool* onMain;
    } context{&fired, &glibOnMainThread};
    g_timeout_add(
        30,
        [](gpointer data) -> gboolean {
            auto* context = static_cast<Context*>(data);
            context->fired->push_back("glib");
            *context->onMain = base::isMainThread();
            if (context->fired->size() == 2)
                base::RunLoop::main().stop();
            return G_SOURCE_REMOVE;
        },
        &context);
    auto timer = base::RunLoop::main().dispatchAfter(10ms, [&] {
        fired.push_back("base");
        if (fired.size() == 2)
            base::RunLoop::main().stop();
    });
    // A safety net: the loop must not depend on it.
    bool gaveUp = false;
    auto safety = base::RunLoop::main().dispatchAfter(20s, [&] {
        gaveUp = true;
        base::RunLoop::main().stop();
    });
    base::RunLoop::main().run();
    safety->invalidate();
    EXPECT_FALSE(gaveUp);
    EXPECT_EQ(fired, (std::vector<std::string>{"base", "glib"}));
    EXPECT_TRUE(glibOnMainThread);
}

TEST_F(GLibEventPumpTest, WorkPostedFromAnotherThreadWakesTheWaitingLoop) {
    std::atomic<bool> ran{false};
    bool gaveUp = false;
    // Nothing else is due for an hour: only the wake-up can end the wait in GLib's poll.
    auto safety = base::RunLoop::main().dispatchAfter(20s, [&] {
        gaveUp = true;
        base::RunLoop::main().stop();
    });
    struct Poster {
        std::thread thread;
        std::atomic<bool>* ran;
    } poster{{}, &ran};
    g_idle_add_once(
        [](gpointer data) {
            // Posted from a thread started once the loop is already serving GLib.
            auto* poster = static_cast<Poster*>(data);
            poster->thread = std::thread([ran = poster->ran] {
                base::RunLoop::main().dispatch([ran] {
                    *ran = true;
                    base::RunLoop::main().stop();
                });
            });
        },
        &poster);
    base::RunLoop::main().run();
    if (poster.thread.joinable())
        poster.thread.join();
    safety->invalidate();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(gaveUp);
}

TEST_F(GLibEventPumpTest, AWakeUpBeforeTheWaitIsNotLost) {
    GLibEventPump pump;
    pump.wakeUp();
    // Would block for a minute if the wake-up were forgotten.
    const auto start = std::chrono::steady_clock::now();
    pump.wait(60s);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
}

TEST_F(GLibEventPumpTest, AnIdleLoopSleepsInsteadOfSpinning) {
    auto counting = std::make_shared<CountingPump>(GtkPlatform::eventPump());
    base::RunLoop::main().setEventPump(counting);
    auto timer = base::RunLoop::main().dispatchAfter(300ms, [] { base::RunLoop::main().stop(); });
    base::RunLoop::main().run();
    // A pump that returned at once would be called thousands of times in 300 ms.
    EXPECT_LT(counting->waits.load(), 50);
    EXPECT_GE(counting->waits.load(), 1);
}

} // namespace
} // namespace gtk
