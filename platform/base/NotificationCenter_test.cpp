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

TEST_F(NotificationCenterTest, DeliversByNameAndSenderIdentitySynchronously) {
    auto sender = std::make_shared<std::string>("me");
    auto other = std::make_shared<std::string>("me");
    center.addObserver("a", [&](const Notification& n) {
        heard.push_back("a:" + *std::static_pointer_cast<std::string>(n.object) + ":" +
                        *n.userInfo.at("key").string());
    });
    center.addObserver("b", [&](const Notification& n) { heard.push_back("b:" + n.name); });
    center.addObserver("", [&](const Notification& n) { heard.push_back("any:" + n.name); });
    center.addObserver("n", sender.get(), std::nullopt,
                       [&](const Notification&) { heard.push_back("from sender"); });
    center.post("a", sender, {{"key", "value"}});
    EXPECT_EQ(heard, (std::vector<std::string>{"a:me:value", "any:a"}));
    heard.clear();
    center.post("n", other);
    center.post("n");
    center.post("n", sender);
    EXPECT_EQ(heard, (std::vector<std::string>{"any:n", "any:n", "any:n", "from sender"}));
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

TEST_F(NotificationCenterTest, QueuedObserverRunsOnItsQueueAtOnceIfPostedThere) {
    center.addObserver("n", nullptr, DispatchQueue::main(),
                       [&](const Notification&) { heard.push_back("main"); });
    center.post("n");
    EXPECT_EQ(heard.size(), 1u);
    DispatchQueue background("test.poster");
    background.sync([&] { center.post("n"); });
    EXPECT_EQ(heard.size(), 1u);
    base::RunLoop::main().runUntilIdle();
    EXPECT_EQ(heard, (std::vector<std::string>{"main", "main"}));
}

} // namespace
