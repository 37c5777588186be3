#include "ads/request/PUBRequestPrivate.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/RandomSource.h"

#include <deque>
#include <gtest/gtest.h>

namespace {

// Answers 32-bit draws from a list, then zeros.
class ScriptedSource final : public base::RandomSource {
public:
    explicit ScriptedSource(std::deque<std::uint32_t> draws)
        : draws_(std::move(draws)) {}
    void fill(std::uint8_t* bytes, std::size_t size) override {
        std::uint32_t value = 0;
        if (!draws_.empty()) {
            value = draws_.front();
            draws_.pop_front();
        }
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = std::uint8_t(value >> (8 * (3 - i % 4)));
    }

private:
    std::deque<std::uint32_t> draws_;
};

class PUBRequestPrivateTest : public ::testing::Test {
protected:
    void TearDown() override {
        base::resetProcessServicesForTesting();
        base::RandomSource::install(nullptr);
    }
};

TEST_F(PUBRequestPrivateTest, TheIdentifierIsANonZeroDrawThatChangesOnRequest) {
    // Zero and 2³² − 1 are drawn again.
    base::RandomSource::install(
        std::make_shared<ScriptedSource>(std::deque<std::uint32_t>{0, 0xFFFFFFFFu, 42, 42, 0, 43}));
    auto shared = PUBRequestPrivate::sharedInstance();
    EXPECT_EQ(PUBRequestPrivate::sharedInstance(), shared);
    EXPECT_EQ(shared->correlationID(), 42u);
    shared->updateCorrelationID(); // 42 again, then 0: both refused
    EXPECT_EQ(shared->correlationID(), 43u);

    // Five failed draws give 0.
    base::RandomSource::install(std::make_shared<ScriptedSource>(std::deque<std::uint32_t>{}));
    EXPECT_EQ(PUBRequestPrivate::drawCorrelationID(0), 0u);
    base::RandomSource::install(
        std::make_shared<ScriptedSource>(std::deque<std::uint32_t>{5, 5, 5, 5, 5, 6}));
    EXPECT_EQ(PUBRequestPrivate::drawCorrelationID(5), 0u);
}

} // namespace
