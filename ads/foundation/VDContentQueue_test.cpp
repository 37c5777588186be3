#include "ads/foundation/VDCharacterSets.h"
#include "ads/foundation/VDContentQueue.h"
#include "platform/base/ProcessWide.h"
#include "platform/testing/PlatformTest.h"

#include <gtest/gtest.h>

namespace {

// The walks' tokens follow the character sets of the user defaults: the test's own app home
// keeps stray settings of the user's out.
class VDContentQueueTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        base::resetProcessServicesForTesting();
    }
    void TearDown() override {
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }
};

// A walk with a given fingerprint and score: one text of `length` units.
std::shared_ptr<VDContent> walk(std::uint64_t number, const std::string& words,
                                std::size_t padding = 0) {
    VDContent::Tunables t;
    t.shingleLength = 1;
    auto content = std::make_shared<VDContent>(number, t);
    content->updateContentWithText(words + std::string(padding, ' '));
    return content;
}

TEST_F(VDContentQueueTest, AFullQueueDropsItsOldestWalk) {
    VDContentQueue queue(10);
    for (std::uint64_t number = 1; number <= 11; ++number)
        queue.enqueueContent(walk(number, "walk number " + std::to_string(number)));
    EXPECT_EQ(queue.count(), 10u);
    EXPECT_EQ(queue.contentWithSequenceNumber(1), nullptr);
    EXPECT_EQ(queue.sequenceNumbers().front(), 2u);
    EXPECT_EQ(queue.sequenceNumbers().back(), 11u);

    VDContentQueue none(0);
    none.enqueueContent(walk(1, "some words here"));
    none.enqueueContent(nullptr);
    EXPECT_EQ(none.count(), 0u);
}

TEST_F(VDContentQueueTest, AWalkWithTheSameFingerprintReplacesTheOlder) {
    VDContentQueue queue(10);
    queue.enqueueContent(walk(1, "the same page text"));
    queue.enqueueContent(walk(2, "another page text"));
    auto again = walk(3, "the same page text");
    ASSERT_EQ(again->fingerprint(), queue.contentWithSequenceNumber(1)->fingerprint());
    queue.deduplicate(again);
    queue.enqueueContent(again);
    EXPECT_EQ(queue.contentWithSequenceNumber(1), nullptr);
    EXPECT_EQ(queue.sequenceNumbers(), (std::deque<std::uint64_t>{2, 3}));
    queue.deduplicate(nullptr);
    queue.deduplicate(again); // itself is no duplicate
    EXPECT_EQ(queue.count(), 2u);
}

TEST_F(VDContentQueueTest, ThePenaltyLetsANewerWalkWin) {
    VDContentQueue queue(10);
    EXPECT_EQ(queue.contentWithHighestScore(), nullptr);
    auto older = walk(1, "a long page of text", 40); // score 1 + 59
    auto newer = walk(2, "a shorter page", 10);      // score 2 + 24
    queue.enqueueContent(older);
    queue.enqueueContent(newer);
    EXPECT_EQ(queue.contentWithHighestScore(), older);
    older->deductServedPenalty(); // -40
    EXPECT_EQ(queue.contentWithHighestScore(), newer);
    newer->deductServedPenalty();                        // -74
    EXPECT_EQ(queue.contentWithHighestScore(), nullptr); // no score above 0
}

} // namespace
