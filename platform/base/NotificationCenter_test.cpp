#include "platform/base/NotificationCenter.h"
#include "platform/base/RunLoop.h"
#include "platform/testing/PlatformTest.h"

#include <memory>
#include <vector>

using base::DispatchQueue;
using base::Notification;
using base::NotificationCenter;

namespace {

class NotificationCenterTest : public testing_support::PlatformTest {
protected:
    NotificationCenter center;
    std::vector<std::string> heard;
};

TEST_F(NotificationCenterTest, DeliversByNameSynchronously) {
    center.addObserver("a", [&](const Notification& n) { heard.push_back("a:" + n.name); });
    center.addObserver("b", [&](const Notification& n) { heard.push_back("b:" + n.name); });
    center.addObserver("", [&](const Notification& n) { heard.push_back("any:" + n.name); });
    center.post("a");
    EXPECT_EQ(heard, (std::vector<std::string>{"a:a", "any:a"}));
}

TEST_F(NotificationCenterTest, SenderFilterMatchesByIdentity) {
    auto sender = std::make_shared<int>(1);
    auto other = std::make_shared<int>(1);
    center.addObserver("n", sender.get(), std::nullopt,
                       [&](const Notification&) { heard.push_back("from sender"); });
    center.post("n", other);
    center.post("n");
    EXPECT_TRUE(heard.empty());
    center.post("n", sender);
    EXPECT_EQ(heard.size(), 1u);
}

TEST_F(NotificationCenterTest, UserInfoAndObjectReachTheObserver) {
    auto sender = std::make_shared<std::string>("me");
    center.addObserver("n", [&](const Notification& n) {
        heard.push_back(*std::static_pointer_cast<std::string>(n.object));
        heard.push_back(*n.userInfo.at("key").string());
    });
    center.post("n", sender, {{"key", "value"}});
    EXPECT_EQ(heard, (std::vector<std::string>{"me", "value"}));
}

TEST_F(NotificationCenterTest, RemovedObserverIsNotCalledEvenLaterInTheSamePost) {
    NotificationCenter::ObserverToken second = 0;
    center.addObserver("n", [&](const Notification&) {
        heard.push_back("first");
        center.removeObserver(second);
    });
    second = center.addObserver("n", [&](const Notification&) { heard.push_back("second"); });
    center.post("n");
    center.post("n");
    EXPECT_EQ(heard, (std::vector<std::string>{"first", "first"}));
}

TEST_F(NotificationCenterTest, ObserverMayRemoveItselfWhileRunning) {
    NotificationCenter::ObserverToken self = 0;
    self = center.addObserver("n", [&](const Notification&) {
        center.removeObserver(self);
        heard.push_back("once");
    });
    center.post("n");
    center.post("n");
    EXPECT_EQ(heard.size(), 1u);
    EXPECT_EQ(center.observerCount(), 0u);
}

TEST_F(NotificationCenterTest, QueuedObserverRunsOnItsQueue) {
    center.addObserver("n", nullptr, DispatchQueue::main(),
                       [&](const Notification&) { heard.push_back("main"); });
    DispatchQueue background("test.poster");
    background.sync([&] { center.post("n"); });
    EXPECT_TRUE(heard.empty());
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(heard, (std::vector<std::string>{"main"}));
}

TEST_F(NotificationCenterTest, PostingOnTheObserversQueueRunsAtOnce) {
    center.addObserver("n", nullptr, DispatchQueue::main(),
                       [&](const Notification&) { heard.push_back("main"); });
    center.post("n");
    EXPECT_EQ(heard.size(), 1u);
}

} // namespace
