#include "ads/foundation/VDLogger.h"
#include "platform/testing/LogCapture.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

class VDLoggerTest : public ::testing::Test {
protected:
    std::vector<std::string> lines() const { return log_.lines(); }

private:
    testing_support::LogCapture log_;
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
