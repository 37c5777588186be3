#include "ads/foundation/VDTiming.h"
#include "platform/testing/PlatformTest.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

class VDTimingTest : public testing_support::PlatformTest {};

TEST_F(VDTimingTest, CounterIsTheMonotonicClockInSeconds) {
    double start = VDTiming::counter();
    EXPECT_GT(start, 0);
    clock().advance(base::Seconds(2.5));
    EXPECT_DOUBLE_EQ(VDTiming::counter() - start, 2.5);
}

TEST_F(VDTimingTest, StatesAndElapsedTime) {
    auto timing = VDTiming::create("fetch");
    EXPECT_EQ(timing->category(), "fetch");
    EXPECT_FALSE(timing->isActive());
    EXPECT_EQ(timing->elapsedMilliseconds(), 0u);

    timing->end(); // never started: stays idle
    EXPECT_EQ(timing->endTimestamp(), 0);
    EXPECT_EQ(timing->elapsedMilliseconds(), 0u);

    timing->start();
    EXPECT_TRUE(timing->isActive());
    clock().advance(base::Seconds(1.25));
    EXPECT_EQ(timing->elapsedMilliseconds(), 1250u); // running: time so far
    timing->setExplicitEnd(true);
    EXPECT_EQ(timing->elapsedMilliseconds(), 0u); // running counts 0 until ended
    clock().advance(base::Seconds(0.5));
    timing->end();
    EXPECT_FALSE(timing->isActive());
    clock().advance(base::Seconds(10));
    EXPECT_EQ(timing->elapsedMilliseconds(), 1750u);
    EXPECT_EQ(timing->elapsedMillisecondsString(), "1750");

    timing->start(); // a new run
    EXPECT_TRUE(timing->isActive());
    EXPECT_EQ(timing->endTimestamp(), 0);
    timing->reset();
    EXPECT_FALSE(timing->isActive());
    EXPECT_EQ(timing->startTimestamp(), 0);
    EXPECT_EQ(timing->elapsedMilliseconds(), 0u);
}

TEST_F(VDTimingTest, OddStampsNeverGiveNonsense) {
    auto timing = VDTiming::create("odd");
    timing->setStartTimestamp(100);
    timing->setEndTimestamp(50);                  // ended before it started: measured to now
    EXPECT_EQ(timing->elapsedMilliseconds(), 0u); // now (about 1 s) is before the start
    timing->setStartTimestamp(std::numeric_limits<double>::min());
    timing->setEndTimestamp(1e300);
    EXPECT_EQ(timing->elapsedMilliseconds(), std::numeric_limits<std::uint64_t>::max());
}

TEST_F(VDTimingTest, DefaultCategoryNamesTheObject) {
    auto timing = VDTiming::create();
    EXPECT_EQ(timing->category().rfind("VDTiming (0x", 0), 0u) << timing->category();
    EXPECT_NE(timing->category(), VDTiming::create()->category());
}

TEST_F(VDTimingTest, UserDataKeepsOnlyPropertyListValues) {
    auto timing = VDTiming::create("t");
    EXPECT_TRUE(timing->setValueForKey(base::Value("v"), "s"));
    EXPECT_TRUE(timing->setValueForKey(base::Value(3), "n"));
    EXPECT_TRUE(timing->setValueForKey(
        base::Value(base::Value::Array{base::Value(1), base::Value(base::Date(1.7e9))}), "a"));
    EXPECT_FALSE(timing->setValueForKey(base::Value(), "nil"));
    EXPECT_FALSE(timing->setValueForKey(base::Value(base::Value::Dictionary{{"k", base::Value()}}),
                                        "nested nil"));
    EXPECT_FALSE(timing->setValueForKey(base::Value(std::string("a\0b", 3)), "nul"));
    EXPECT_EQ(timing->keysAndValues().size(), 3u);
    EXPECT_EQ(timing->valueForKey("s"), base::Value("v"));
    EXPECT_TRUE(timing->valueForKey("nil").isNull());
    timing->removeValueForKey("s");
    EXPECT_TRUE(timing->valueForKey("s").isNull());
    EXPECT_EQ(timing->keysAndValues().size(), 2u);
}

TEST_F(VDTimingTest, DictionaryRepresentationAndCopies) {
    auto timing = VDTiming::create("load");
    EXPECT_EQ(timing->dictionaryRepresentation(),
              (base::Value::Dictionary{{"category", base::Value("load")},
                                       {"start", base::Value(0.0)},
                                       {"end", base::Value(0.0)}}));
    timing->start();
    clock().advance(base::Seconds(2));
    timing->end();
    timing->setExplicitEnd(true);
    timing->setValueForKey(base::Value("x"), "k");
    auto representation = timing->dictionaryRepresentation();
    EXPECT_EQ(representation["userData"],
              base::Value(base::Value::Dictionary{{"k", base::Value("x")}}));

    auto copy = timing->copy();
    EXPECT_NE(copy.get(), timing.get());
    EXPECT_EQ(copy->dictionaryRepresentation(), representation);
    EXPECT_FALSE(copy->explicitEnd());
    EXPECT_EQ(copy->elapsedMilliseconds(), 2000u);
    copy->setValueForKey(base::Value("y"), "k");
    EXPECT_EQ(timing->valueForKey("k"), base::Value("x")); // the copy's data is its own

    auto bare = VDTiming::create("bare")->copy();
    EXPECT_TRUE(bare->keysAndValues().empty());
    EXPECT_TRUE(bare->setValueForKey(base::Value(1), "k"));

    EXPECT_NE(timing->description().find("load"), std::string::npos);
}

TEST_F(VDTimingTest, MadeFromAnyDictionary) {
    struct Case {
        base::Value::Dictionary representation;
        double start, end;
        std::size_t userData;
    };
    const Case cases[] = {
        {{}, 0, 0, 0},
        {{{"start", base::Value(5.0)}, {"end", base::Value(7)}}, 5, 7, 0},
        {{{"start", base::Value("5")}, {"end", base::Value(-3.0)}}, 0, 0, 0},
        {{{"start", base::Value(std::numeric_limits<double>::infinity())}}, 0, 0, 0},
        {{{"userData", base::Value("not a dictionary")}}, 0, 0, 0},
        {{{"userData",
           base::Value(base::Value::Dictionary{{"a", base::Value(1)}, {"b", base::Value()}})}},
         0,
         0,
         1},
    };
    for (const auto& c : cases) {
        auto timing = VDTiming::createWithDictionaryRepresentation(c.representation);
        EXPECT_EQ(timing->startTimestamp(), c.start);
        EXPECT_EQ(timing->endTimestamp(), c.end);
        EXPECT_EQ(timing->keysAndValues().size(), c.userData);
        EXPECT_EQ(timing->category().rfind("VDTiming (", 0), 0u);
    }
}

} // namespace
