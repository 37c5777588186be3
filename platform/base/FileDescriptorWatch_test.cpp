#include "platform/base/FileDescriptorWatch.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"

#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <vector>

using base::FileDescriptorWatch;
using base::RunLoop;
using namespace std::chrono_literals;

namespace {

// A pipe whose read end the tests watch.
class FileDescriptorWatchTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ASSERT_EQ(::pipe2(ends_, O_NONBLOCK | O_CLOEXEC), 0);
    }
    void TearDown() override {
        ::close(ends_[0]);
        ::close(ends_[1]);
        PlatformTest::TearDown();
    }
    void write(char byte = 'x') { ASSERT_EQ(::write(ends_[1], &byte, 1), 1); }
    int readEnd() const { return ends_[0]; }
    int writeEnd() const { return ends_[1]; }
    // Empties the pipe; the number of bytes read.
    int drain() {
        char buffer[64];
        int total = 0;
        for (ssize_t got; (got = ::read(ends_[0], buffer, sizeof buffer)) > 0;)
            total += int(got);
        return total;
    }

    RunLoop& loop = RunLoop::main();

private:
    int ends_[2] = {-1, -1};
};

TEST_F(FileDescriptorWatchTest, TheCallbackRunsWhenTheDescriptorIsReadyAndTurnObserversFollow) {
    std::vector<std::string> events;
    auto watch =
        loop.watchFileDescriptor(readEnd(), FileDescriptorWatch::Readable, [&](unsigned ready) {
            events.push_back(ready & FileDescriptorWatch::Readable ? "readable" : "other");
            drain();
        });
    const auto observer = loop.addTurnObserver([&] { events.push_back("turn"); });
    EXPECT_FALSE(loop.runUntil([&] { return !events.empty(); }, 50ms));
    write();
    ASSERT_TRUE(loop.runUntil([&] { return events.size() >= 2; }, 5s));
    EXPECT_EQ(events, (std::vector<std::string>{"readable", "turn"}));
    loop.removeTurnObserver(observer);

    // Asking for nothing pauses it; asking again resumes it.
    watch->setEvents(0);
    write();
    EXPECT_FALSE(loop.runUntil([&] { return events.size() > 2; }, 50ms));
    watch->setEvents(FileDescriptorWatch::Readable);
    ASSERT_TRUE(loop.runUntil([&] { return events.size() > 2; }, 5s));
    EXPECT_EQ(events.back(), "readable");

    // Gone, it is never called again.
    watch.reset();
    write();
    EXPECT_FALSE(loop.runUntil([&] { return events.size() > 3; }, 50ms));
}

TEST_F(FileDescriptorWatchTest, SteppingByHandAndWaitingInPlaceLeaveItForTheOuterLoop) {
    int calls = 0;
    auto watch = loop.watchFileDescriptor(readEnd(), FileDescriptorWatch::Readable, [&](unsigned) {
        ++calls;
        drain();
    });
    write();
    loop.runUntilIdle();
    loop.advance(1s);
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(loop.runOthersUntil([&] { return calls > 0; }, 50ms));
    EXPECT_EQ(calls, 0);
    // A watch made while the loop is held sleeps too.
    std::unique_ptr<FileDescriptorWatch> late;
    int lateCalls = 0;
    loop.runOthersUntil(
        [&] {
            if (!late)
                late = loop.watchFileDescriptor(writeEnd(), FileDescriptorWatch::Writable,
                                                [&](unsigned) {
                                                    ++lateCalls;
                                                    late.reset();
                                                });
            return false;
        },
        50ms);
    EXPECT_EQ(lateCalls, 0);
    ASSERT_TRUE(loop.runUntil([&] { return calls == 1 && lateCalls == 1; }, 5s));
}

TEST_F(FileDescriptorWatchTest, AWatchMayDestroyItselfFromItsCallback) {
    std::unique_ptr<FileDescriptorWatch> watch;
    int calls = 0;
    auto state = std::make_shared<int>(7); // something the callback owns
    watch =
        loop.watchFileDescriptor(readEnd(), FileDescriptorWatch::Readable, [&, state](unsigned) {
            watch.reset();
            calls += *state; // its captures still alive
        });
    write();
    ASSERT_TRUE(loop.runUntil([&] { return calls > 0; }, 5s));
    EXPECT_EQ(calls, 7);
    EXPECT_FALSE(watch);
    EXPECT_EQ(state.use_count(), 1);
}

} // namespace
