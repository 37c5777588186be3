#include "platform/base/Log.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// Captures log lines for one test and puts back the previous sink afterwards.
class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = base::installLogSink([this](std::string_view line) {
            std::lock_guard lock(mutex_);
            lines_.emplace_back(line);
        });
    }
    void TearDown() override { base::installLogSink(previous_); }

    std::vector<std::string> lines() {
        std::lock_guard lock(mutex_);
        return lines_;
    }

private:
    base::LogSink previous_;
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

TEST_F(LogTest, SinkReceivesMessagesVerbatim) {
    base::log("sdfsd https://host/search?q=100%25%20%s");
    base::log("%@ %n %d {}");
    base::log("two\nlines");
    base::log("ends with a break\n");
    base::log("");
    EXPECT_EQ(lines(),
              (std::vector<std::string>{"sdfsd https://host/search?q=100%25%20%s", "%@ %n %d {}",
                                        "two\nlines", "ends with a break", ""}));
}

TEST_F(LogTest, LinesFromManyThreadsAllArrive) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 100; ++i)
                base::log("thread " + std::to_string(t) + " line " + std::to_string(i));
        });
    }
    for (auto& thread : threads)
        thread.join();
    const auto received = lines();
    EXPECT_EQ(received.size(), 400u);
    EXPECT_EQ(std::count(received.begin(), received.end(), "thread 3 line 99"), 1);
}

TEST(LogStandardErrorTest, WritesOneLineToStandardError) {
    const auto previous = base::installLogSink({}); // standard error
    testing::internal::CaptureStderr();
    base::log("100% %s %n");
    base::log("first\nsecond");
    base::log("already ends\n");
    const auto written = testing::internal::GetCapturedStderr();
    base::installLogSink(previous);
    EXPECT_EQ(written, "100% %s %n\nfirst\nsecond\nalready ends\n");
}

} // namespace
