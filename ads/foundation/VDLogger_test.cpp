#include "ads/foundation/VDLogger.h"
#include "platform/base/Log.h"

#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

namespace {

class VDLoggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = base::installLogSink([this](std::string_view message) {
            std::lock_guard lock(mutex_);
            lines_.emplace_back(message);
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

TEST_F(VDLoggerTest, OneLinePerMessageNeverFormatted) {
    auto logger = VDLogger::sharedInstance();
    EXPECT_EQ(logger, VDLogger::sharedInstance());
    logger->logPublicMessage("abc");
    logger->logPublicMessage("100% sure: %@ %s %n");
    logger->logPublicMessage("");
    EXPECT_EQ(lines(), (std::vector<std::string>{"<Redodi> abc", "<Redodi> 100% sure: %@ %s %n",
                                                 "<Redodi> "}));
}

} // namespace
