#include "ads/foundation/VDStatisticsCore.h"
#include "platform/base/NotificationCenter.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Application.h"

#include <gtest/gtest.h>

namespace {

using base::Value;

class VDStatisticsCoreTest : public testing_support::PlatformTest {
protected:
    // What a new process would find: user defaults read again from the file.
    static void simulateRestart() {
        base::UserDefaults::standard()->synchronize();
        base::UserDefaults::install(nullptr);
    }
    static Value stored(const char* key) {
        return base::UserDefaults::standard()->objectForKey(key);
    }
};

TEST_F(VDStatisticsCoreTest, TypedSettersKeepOnlyTheirKind) {
    auto core = VDStatisticsCore::create();
    core->setStringForKey(Value("s"), "string");
    core->setStringForKey(Value(1), "notAString");
    core->setNumberForKey(Value(2.5), "number");
    core->setNumberForKey(Value("3"), "notANumber");
    core->setDateForKey(Value(base::Date(5)), "date");
    core->setDateForKey(Value(5), "notADate");
    core->setArrayForKey(Value(Value::Array{Value(1)}), "array");
    core->setArrayForKey(Value(), "notAnArray");
    EXPECT_EQ(core->stringForKey("string"), Value("s"));
    EXPECT_EQ(core->numberForKey("number"), Value(2.5));
    EXPECT_EQ(core->dateForKey("date"), Value(base::Date(5)));
    EXPECT_EQ(core->arrayForKey("array"), Value(Value::Array{Value(1)}));
    for (const char* key : {"notAString", "notANumber", "notADate", "notAnArray"})
        EXPECT_TRUE(core->stringForKey(key).isNull()) << key;

    EXPECT_EQ(core->addValueNumberForKey(3, "count"), 3);
    EXPECT_EQ(core->addValueNumberForKey(-5, "count"), -2);
    core->appendValueArrayForKey(Value("a"), "list");
    core->appendValueArrayForKey(Value("b"), "list");
    core->appendValueArrayForKey(Value(), "list");
    core->appendValueArrayForKey(Value("c"), "string");
    EXPECT_EQ(core->arrayForKey("list"), Value(Value::Array{Value("a"), Value("b")}));
    EXPECT_EQ(core->stringForKey("string"), Value("s"));
    // All or none.
    EXPECT_FALSE(core->appendValuesArraysForKeys({{"list", Value("c")}, {"string", Value("d")}}));
    EXPECT_EQ(core->arrayForKey("list").count(), 2u);

    core->removeObjectForKey("list");
    EXPECT_TRUE(core->arrayForKey("list").isNull());
    core->removeAllObjects();
    EXPECT_TRUE(core->stringForKey("string").isNull());
}

TEST_F(VDStatisticsCoreTest, PersistsUnderItsIdentifierAcrossARestart) {
    {
        auto core = VDStatisticsCore::create();
        core->setStringForKey(Value("before"), "k");
        core->savePersistentStatistics(); // no identifier: nowhere to save
        EXPECT_TRUE(
            base::UserDefaults::standard()->dictionaryRepresentation().count("redodi_stats_") == 0);
        // What was gathered before the first identifier is the slot's too.
        core->setIdentifier("slot");
        EXPECT_EQ(core->userDefaultsKey(), "redodi_stats_slot");
        core->appendValueArrayForKey(Value("12"), "adapter_duration");
        base::NotificationCenter::defaultCenter().post(ui::ApplicationWillTerminateNotification);
        EXPECT_EQ(stored("redodi_stats_slot"),
                  Value(Value::Dictionary{{"adapter_duration", Value(Value::Array{Value("12")})},
                                          {"k", Value("before")}}));
        core->addValueNumberForKey(1, "n");
    } // going away saves too
    simulateRestart();
    auto core = VDStatisticsCore::create();
    core->setIdentifier("slot");
    EXPECT_EQ(core->arrayForKey("adapter_duration"), Value(Value::Array{Value("12")}));
    EXPECT_EQ(core->numberForKey("n"), Value(1));
    EXPECT_EQ(core->stringForKey("k"), Value("before"));
}

TEST_F(VDStatisticsCoreTest, ANewIdentifierKeepsTheOldDataUnderTheOldKey) {
    base::UserDefaults::standard()->setObject("redodi_stats_second",
                                              Value(Value::Dictionary{{"theirs", Value(2)}}));
    auto core = VDStatisticsCore::create();
    core->setIdentifier("first");
    core->addValueNumberForKey(1, "mine");

    core->setIdentifier("second");
    EXPECT_EQ(stored("redodi_stats_first"), Value(Value::Dictionary{{"mine", Value(1)}}));
    EXPECT_EQ(core->numberForKey("theirs"), Value(2));
    EXPECT_TRUE(core->numberForKey("mine").isNull()) << "carried over to another slot";

    // The same identifier again (an equal string, not the same object) loads nothing again.
    base::UserDefaults::standard()->setObject("redodi_stats_second",
                                              Value(Value::Dictionary{{"theirs", Value(3)}}));
    core->setIdentifier(std::string("sec") + "ond");
    EXPECT_EQ(core->numberForKey("theirs"), Value(2));
    EXPECT_EQ(stored("redodi_stats_second"), Value(Value::Dictionary{{"theirs", Value(3)}}));

    // Only the current identifier's data is saved when the application terminates.
    core->addValueNumberForKey(5, "theirs");
    base::NotificationCenter::defaultCenter().post(ui::ApplicationWillTerminateNotification);
    EXPECT_EQ(stored("redodi_stats_second"), Value(Value::Dictionary{{"theirs", Value(7)}}));
    EXPECT_EQ(stored("redodi_stats_first"), Value(Value::Dictionary{{"mine", Value(1)}}));
    EXPECT_EQ(base::NotificationCenter::defaultCenter().observerCount(), 1u);
}

} // namespace
