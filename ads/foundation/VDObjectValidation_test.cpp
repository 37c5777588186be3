#include "ads/foundation/VDObjectValidation.h"

#include <gtest/gtest.h>

namespace {

TEST(VDObjectValidationTest, TypedLookup) {
    base::Value::Dictionary dictionary{
        {"s", base::Value("text")},
        {"n", base::Value(3)},
        {"b", base::Value(true)},
        {"d", base::Value(2.5)},
        {"a", base::Value(base::Value::Array{})},
        {"m", base::Value(base::Value::Dictionary{})},
        {"t", base::Value(base::Date(5))},
        {"x", base::Value(base::Data::fromString("x"))},
    };
    struct Case {
        const char* key;
        VDValueClass kind;
        bool found;
    };
    const Case cases[] = {
        {"s", VDValueClass::String, true},        {"s", VDValueClass::Number, false},
        {"n", VDValueClass::Number, true},        {"n", VDValueClass::String, false},
        {"b", VDValueClass::Number, true},        {"d", VDValueClass::Number, true},
        {"a", VDValueClass::Array, true},         {"a", VDValueClass::Dictionary, false},
        {"m", VDValueClass::Dictionary, true},    {"t", VDValueClass::Date, true},
        {"x", VDValueClass::Data, true},          {"x", VDValueClass::String, false},
        {"missing", VDValueClass::String, false},
    };
    for (const auto& c : cases) {
        const base::Value* value = vd_objectForKeyIfIsKindOfClass(dictionary, c.key, c.kind);
        EXPECT_EQ(value != nullptr, c.found) << c.key;
        if (value) {
            EXPECT_EQ(value, &dictionary.at(c.key));
        }
    }
}

TEST(VDObjectValidationTest, Setters) {
    base::Value::Dictionary dictionary;
    vd_setIfNotNilObjectForKey(dictionary, base::Value(), "nil");
    vd_setIfNotNilObjectForKey(dictionary, base::Value("v"), "set");
    EXPECT_FALSE(dictionary.contains("nil"));
    EXPECT_EQ(dictionary["set"], base::Value("v"));

    vd_setStringForBoolValueForKey(dictionary, true, "yes");
    vd_setStringForBoolValueForKey(dictionary, false, "no");
    EXPECT_EQ(dictionary["yes"], base::Value("1"));
    EXPECT_EQ(dictionary["no"], base::Value("0"));

    vd_setStringIfTrueForBoolValueForKey(dictionary, true, "flag");
    EXPECT_EQ(dictionary["flag"], base::Value("1"));
    vd_setStringIfTrueForBoolValueForKey(dictionary, false, "flag");
    EXPECT_FALSE(dictionary.contains("flag"));

    vd_setStringForCGFloatForKey(dictionary, 2.0, "scale");
    vd_setStringForCGFloatForKey(dictionary, 1.5, "half");
    EXPECT_EQ(dictionary["scale"], base::Value("2"));
    EXPECT_EQ(dictionary["half"], base::Value("1.5"));
}

} // namespace
