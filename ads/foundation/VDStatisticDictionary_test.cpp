#include "ads/foundation/VDStatisticDictionary.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using base::Decimal;
using base::Value;

// Holds a serial queue until released, so that what is queued behind it waits.
class QueueGate {
public:
    explicit QueueGate(const base::DispatchQueue& queue) {
        // The held block may wake after the gate has gone: it keeps the state alive.
        queue.async([state = state_] {
            std::unique_lock lock(state->mutex);
            state->opened.wait(lock, [&] { return state->open; });
        });
    }
    ~QueueGate() { release(); }
    void release() {
        std::lock_guard lock(state_->mutex);
        state_->open = true;
        state_->opened.notify_all();
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable opened;
        bool open = false;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

// Counts its calls on a queue of its own; may read the dictionary back while being told.
class RecordingDelegate final : public VDStatisticDictionaryDelegate {
public:
    std::optional<base::DispatchQueue> notificationQueue() override {
        std::lock_guard lock(askedMutex);
        ++queueAsked;
        asked.notify_all();
        return queue;
    }
    // Waits until notificationQueue() has been asked `times` times.
    bool waitUntilQueueAsked(int times) {
        std::unique_lock lock(askedMutex);
        return asked.wait_for(lock, std::chrono::seconds(10), [&] { return queueAsked >= times; });
    }
    void didUpdateStatisticDictionary(const std::shared_ptr<VDStatisticDictionary>& d) override {
        if (readBack)
            lastRead = d->objectForKey("n");
        ++calls;
    }
    // Every call handed to the queue before this has been made.
    int deliveredCalls() {
        queue.sync([] {});
        return calls;
    }

    base::DispatchQueue queue{"test.notifications"};
    std::atomic<int> calls{0};
    bool readBack = false;
    Value lastRead;

private:
    std::mutex askedMutex;
    std::condition_variable asked;
    int queueAsked = 0;
};

// The first read waits for the changes queued so far, the second for the notification blocks
// those changes queued.
void settle(const VDStatisticDictionary& dictionary) {
    dictionary.objectForKey("");
    dictionary.objectForKey("");
}

TEST(VDStatisticDictionaryTest, CountersAndArraysChangeOnlyWhatTheyMade) {
    auto d = VDStatisticDictionary::create();
    d->setObjectForKeyedSubscript(Value(5), "plain");
    d->setObjectForKeyedSubscript(Value("text"), "string");
    d->setObjectForKeyedSubscript(Value(Value::Array{Value(1)}), "outsideArray");
    for (const char* key : {"plain", "string", "absent"})
        d->incrementNumberForKeyShouldNotifyDelegate(key, false);
    d->decrementNumberForKeyShouldNotifyDelegate("down", false);
    d->addDecimalNumberToNumberForKeyShouldNotifyDelegate(Decimal(25, -1), "down", false);
    for (const char* key : {"outsideArray", "string", "list", "list"})
        d->addObjectToArrayWithKeyShouldNotifyDelegate(Value(key), key, false);
    d->setObjectForKeyedSubscript(Value(), "gone");

    EXPECT_EQ(d->dictionary(), (Value::Dictionary{
                                   {"plain", Value(5)},
                                   {"string", Value("text")},
                                   {"absent", Value(Decimal(1))},
                                   {"down", Value(Decimal(15, -1))},
                                   {"outsideArray", Value(Value::Array{Value(1)})},
                                   {"list", Value(Value::Array{Value("list"), Value("list")})},
                               }));
    EXPECT_TRUE(d->objectForKey("absent").isDecimal());
    EXPECT_TRUE(d->objectForKeyedSubscript("missing").isNull());
}

TEST(VDStatisticDictionaryTest, ASnapshotSharesNothingWithTheDictionary) {
    auto d = VDStatisticDictionary::create();
    d->addObjectToArrayWithKeyShouldNotifyDelegate(Value(Value::Array{Value(1), Value(2)}),
                                                   "tclick", false);
    auto snapshot = d->dictionary();
    auto read = d->objectForKey("tclick");
    d->addObjectToArrayWithKeyShouldNotifyDelegate(Value(Value::Array{Value(3), Value(4)}),
                                                   "tclick", false);
    EXPECT_EQ(snapshot["tclick"].count(), 1u);
    EXPECT_EQ(read.count(), 1u);
    EXPECT_EQ(d->objectForKey("tclick").count(), 2u);
    // Nothing in a snapshot is one of the dictionary's own arrays, which alone take appends.
    EXPECT_FALSE(snapshot["tclick"].isMutable());
    EXPECT_FALSE(read.isMutable());
    d->setObjectForKeyedSubscript(read, "copy");
    d->addObjectToArrayWithKeyShouldNotifyDelegate(Value(5), "copy", false);
    EXPECT_EQ(d->objectForKey("copy").count(), 1u);
}

TEST(VDStatisticDictionaryTest, ABurstOfNotifyingChangesGivesOneCall) {
    auto delegate = std::make_shared<RecordingDelegate>();
    auto d = VDStatisticDictionary::createWithDelegate(delegate);
    {
        QueueGate gate(d->serialQueue());
        for (int i = 0; i < 10; ++i)
            d->incrementNumberForKeyShouldNotifyDelegate("n", true);
    }
    settle(*d);
    EXPECT_EQ(delegate->deliveredCalls(), 1);

    // A change after the call was handed on starts a new burst; one without notification none.
    d->incrementNumberForKeyShouldNotifyDelegate("n", true);
    settle(*d);
    EXPECT_EQ(delegate->deliveredCalls(), 2);
    d->incrementNumberForKeyShouldNotifyDelegate("n", false);
    settle(*d);
    EXPECT_EQ(delegate->deliveredCalls(), 2);
    EXPECT_EQ(d->objectForKey("n"), Value(Decimal(12)));
    EXPECT_EQ(d->serialQueue().label(), "viz.azodoz.eziro.statistics");
}

TEST(VDStatisticDictionaryTest, FinishingDeliversThePendingCallEvenWhenTheDelegateReadsBack) {
    auto delegate = std::make_shared<RecordingDelegate>();
    delegate->readBack = true;
    auto d = VDStatisticDictionary::createWithQueueLabel("test.statistics", delegate);
    std::promise<void> finished;
    std::thread finisher;
    {
        // The call waits on the delegate's queue while the dictionary finishes.
        QueueGate gate(delegate->queue);
        d->incrementNumberForKeyShouldNotifyDelegate("n", true);
        settle(*d);
        finisher = std::thread([&] {
            d->didFinishModifying();
            finished.set_value();
        });
        // Once for the change, once by the finishing dictionary right before it waits.
        EXPECT_TRUE(delegate->waitUntilQueueAsked(2));
    }
    auto outcome = finished.get_future().wait_for(std::chrono::seconds(10));
    if (outcome != std::future_status::ready) {
        finisher.detach();
        FAIL() << "didFinishModifying and the delegate wait for each other";
    }
    finisher.join();
    EXPECT_EQ(delegate->calls, 1);
    EXPECT_EQ(delegate->lastRead, Value(Decimal(1)));
    EXPECT_EQ(d->delegate(), nullptr);

    // Finished: changes are dropped, the content stays readable.
    d->incrementNumberForKeyShouldNotifyDelegate("n", true);
    d->setObjectForKeyedSubscript(Value("x"), "late");
    EXPECT_EQ(d->dictionary(), (Value::Dictionary{{"n", Value(Decimal(1))}}));
    EXPECT_EQ(delegate->deliveredCalls(), 1);
}

TEST(VDStatisticDictionaryTest, ChangesFromManyThreadsAllCount) {
    auto delegate = std::make_shared<RecordingDelegate>();
    delegate->readBack = true;
    auto d = VDStatisticDictionary::createWithDelegate(delegate);
    constexpr int threads = 8, each = 500;
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t)
        writers.emplace_back([&, t] {
            for (int i = 0; i < each; ++i) {
                d->incrementNumberForKeyShouldNotifyDelegate("n", true);
                d->addObjectToArrayWithKeyShouldNotifyDelegate(Value(t), "who", i % 2 == 0);
                if (i % 50 == 0)
                    d->dictionary();
            }
        });
    for (auto& writer : writers)
        writer.join();
    settle(*d);
    EXPECT_EQ(d->objectForKey("n"), Value(Decimal(threads * each)));
    EXPECT_EQ(d->objectForKey("who").count(), std::size_t(threads * each));
    const int calls = delegate->deliveredCalls();
    EXPECT_GE(calls, 1);
    EXPECT_LE(calls, threads * each * 2);
    EXPECT_EQ(delegate->lastRead, Value(Decimal(threads * each)));
}

TEST(VDStatisticDictionaryTest, DescriptionShowsQueueAndContent) {
    auto d = VDStatisticDictionary::createWithQueueLabel("test.label", {});
    d->incrementNumberForKeyShouldNotifyDelegate("n", false);
    const auto text = d->description();
    EXPECT_EQ(text.rfind("<VDStatisticDictionary: 0x", 0), 0u) << text;
    EXPECT_NE(text.find(">\nqueue: test.label\nstatistics: {"), std::string::npos) << text;
    EXPECT_NE(text.find("\"n\": 1"), std::string::npos) << text;
}

} // namespace
