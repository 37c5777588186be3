#include "platform/base/PropertyList.h"
#include "platform/testing/BinaryPlist.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace base {
namespace {

using testing_support::binaryPlist;
using testing_support::plistArray;
using testing_support::plistContainer;
using testing_support::plistDate;

constexpr const char* header = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                               "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                               "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n";

Value read(std::string_view text) {
    auto result = readPlist(Data::fromString(text));
    EXPECT_TRUE(result.ok()) << text;
    return result.ok() ? result.value() : Value();
}

Value roundTrip(const Value& value, PlistFormat format) {
    auto bytes = writePlist(value, format);
    EXPECT_TRUE(bytes.ok()) << (bytes.ok() ? "" : bytes.error().localizedDescription());
    if (!bytes.ok())
        return Value();
    auto back = readPlist(bytes.value());
    EXPECT_TRUE(back.ok());
    return back.ok() ? back.value() : Value();
}

TEST(PropertyListTest, ReadsHandWrittenXML) {
    Value value = read(std::string(header) + R"(<plist version="1.0">
<dict>
    <key>name</key><string>caf&#233; &amp; more</string>
    <key>count</key><integer>-42</integer>
    <key>huge</key><integer>18446744073709551615</integer>
    <key>ratio</key><real>0.25</real>
    <key>on</key><true/>
    <key>off</key><false/>
    <key>start</key><date>2001-01-01T00:00:10Z</date>
    <key>epoch</key><date>1970-01-01T00:00:00Z</date>
    <key>later</key><date>2015-06-01T12:30:00Z</date>
    <key>blob</key><data>AAEC/w==</data>
    <key>list</key><array><string>a</string><integer>1</integer></array>
    <key>empty</key><dict/>
</dict>
</plist>)");
    EXPECT_EQ(value["name"], Value("caf\xc3\xa9 & more"));
    EXPECT_EQ(value["count"].type(), Value::Type::Integer);
    EXPECT_EQ(value["count"].integerValue(), -42);
    EXPECT_EQ(value["huge"].type(), Value::Type::Unsigned);
    EXPECT_EQ(value["huge"].unsignedValue(), std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(value["ratio"].type(), Value::Type::Double);
    EXPECT_EQ(value["ratio"].doubleValue(), 0.25);
    EXPECT_EQ(value["on"].type(), Value::Type::Bool);
    EXPECT_TRUE(value["on"].boolValue());
    EXPECT_FALSE(value["off"].boolValue());
    // Property list dates count from 2001; ours from 1970.
    ASSERT_TRUE(value["start"].date());
    EXPECT_EQ(value["start"].date()->timeIntervalSince1970(), 978307210);
    EXPECT_EQ(value["epoch"].date()->timeIntervalSince1970(), 0);
    EXPECT_EQ(value["later"].date()->timeIntervalSince1970(), 1433161800);
    EXPECT_EQ(value["blob"], Value(Data(std::vector<std::uint8_t>{0, 1, 2, 255})));
    EXPECT_EQ(value["list"], Value(Value::Array{"a", 1}));
    EXPECT_EQ(value["empty"], Value(Value::Dictionary{}));
    EXPECT_FALSE(value.isMutable());
}

TEST(PropertyListTest, RoundTripsInBothFormats) {
    Value value(Value::Dictionary{
        {"string", "text with <markup> & caf\xc3\xa9"},
        {"empty", ""},
        {"negative", -5},
        {"min", std::numeric_limits<std::int64_t>::min()},
        {"max", std::numeric_limits<std::int64_t>::max()},
        {"unsigned", std::numeric_limits<std::uint64_t>::max()},
        {"double", 0.1},
        {"yes", true},
        {"no", false},
        {"data", Data(std::vector<std::uint8_t>{0, 0xff, 0x10, 0})},
        {"emptyData", Data()},
        {"date", Date(1433161800.5)},
        {"beforeReference", Date(978307200 - 2.5)},
        {"list", Value::Array{1, "two", Value::Array{}, Value::Dictionary{{"k", "v"}}}},
    });
    for (auto format : {PlistFormat::XML, PlistFormat::Binary}) {
        Value back = roundTrip(value, format);
        const char* name = format == PlistFormat::XML ? "xml" : "binary";
        EXPECT_EQ(back["unsigned"].type(), Value::Type::Unsigned) << name;
        EXPECT_EQ(back["min"].type(), Value::Type::Integer) << name;
        EXPECT_EQ(back["yes"].type(), Value::Type::Bool) << name;
        if (format == PlistFormat::Binary) {
            EXPECT_EQ(back, value);
        } else {
            // XML dates keep whole seconds only.
            EXPECT_EQ(back["date"].date()->timeIntervalSince1970(), 1433161800);
            EXPECT_EQ(back["beforeReference"].date()->timeIntervalSince1970(), 978307198);
            Value expected = value;
            (*expected.dictionary())["date"] = Date(1433161800);
            (*expected.dictionary())["beforeReference"] = Date(978307198);
            EXPECT_EQ(back, expected);
        }
    }
}

TEST(PropertyListTest, WritesXMLThatReadsAsExpected) {
    auto bytes =
        writePlist(Value(Value::Dictionary{{"a", 1}, {"b", Date(978307200)}}), PlistFormat::XML);
    ASSERT_TRUE(bytes.ok());
    std::string text = bytes.value().toString();
    EXPECT_NE(text.find("<key>a</key>"), std::string::npos) << text;
    EXPECT_NE(text.find("<integer>1</integer>"), std::string::npos) << text;
    EXPECT_NE(text.find("<date>2001-01-01T00:00:00Z</date>"), std::string::npos) << text;
    auto binary = writePlist(Value(Value::Array{1}), PlistFormat::Binary);
    ASSERT_TRUE(binary.ok());
    EXPECT_EQ(binary.value().toString().substr(0, 8), "bplist00");
}

TEST(PropertyListTest, DecimalsBecomeIntegersOrReals) {
    Value back = roundTrip(Value(Value::Array{Decimal(12, 2), Decimal(125, -2), Decimal(-3)}),
                           PlistFormat::Binary);
    EXPECT_EQ(back[0].type(), Value::Type::Integer);
    EXPECT_EQ(back[0].integerValue(), 1200);
    EXPECT_EQ(back[1].type(), Value::Type::Double);
    EXPECT_EQ(back[1].doubleValue(), 1.25);
    EXPECT_EQ(back[2].integerValue(), -3);
}

TEST(PropertyListTest, ValuesItCannotHoldAreErrors) {
    const Value cases[] = {
        Value(),
        Value(Value::Array{Value()}),
        Value(Value::Dictionary{{"k", std::string("a\0b", 3)}}),
        Value(Value::Dictionary{{std::string("k\0", 2), 1}}),
        Value(Date(1e12)),
        Value(Date(-1e12)),
        Value(Date(std::nan(""))),
        Value(Date(std::numeric_limits<double>::infinity())),
        Value(Date(253402300800.0)), // 10000-01-01
        // Text that is not UTF-8 was written cut short, or empty.
        Value(Value::Array{"caf\xe9"}),
        Value(Value::Dictionary{{"\xc3", 1}}),
    };
    for (const auto& value : cases) {
        for (auto format : {PlistFormat::XML, PlistFormat::Binary}) {
            auto result = writePlist(value, format);
            ASSERT_FALSE(result.ok()) << value.description();
            EXPECT_EQ(result.error().domain, CocoaErrorDomain);
            EXPECT_EQ(result.error().code, PropertyListWriteInvalidError);
        }
    }
}

TEST(PropertyListTest, CorruptInputIsAnErrorNotACrash) {
    auto valid = writePlist(
        Value(Value::Dictionary{{"list", Value::Array{1, "two", 3.5, Data::fromString("x")}},
                                {"nested", Value::Dictionary{{"k", Date(978307200)}}}}),
        PlistFormat::Binary);
    ASSERT_TRUE(valid.ok());
    std::vector<std::string> inputs = {
        "",
        "garbage",
        "<plist>",
        "bplist00",
        "bplist00\x01\x02\x03",
        "{ a = b; }",
        std::string(header) + "<plist version=\"1.0\"><dict><key>a</key>",
    };
    const auto& bytes = valid.value().vector();
    // Every truncation of a valid binary list, and every single-byte corruption of it.
    for (std::size_t size = 0; size < bytes.size(); ++size)
        inputs.emplace_back(bytes.begin(), bytes.begin() + std::ptrdiff_t(size));
    std::size_t rejected = 0;
    for (std::size_t i = 8; i < bytes.size(); ++i) {
        for (std::uint8_t flip : {0x01, 0x80, 0xff}) {
            std::string corrupt(bytes.begin(), bytes.end());
            corrupt[i] = char(std::uint8_t(corrupt[i]) ^ flip);
            auto result = readPlist(Data::fromString(corrupt));
            if (!result.ok()) {
                ++rejected;
                EXPECT_EQ(result.error().code, PropertyListReadCorruptError);
            }
        }
    }
    EXPECT_GT(rejected, 0u);
    for (const auto& input : inputs) {
        auto result = readPlist(Data::fromString(input));
        ASSERT_FALSE(result.ok()) << input.size() << " bytes";
        EXPECT_EQ(result.error().domain, CocoaErrorDomain);
        EXPECT_EQ(result.error().code, PropertyListReadCorruptError);
    }
}

TEST(PropertyListTest, DatesKeepTheirSideOfTheReferenceDateAndTheirYear) {
    // Within a second before 2001 the library gives the fraction without its sign; past 2069
    // its whole seconds wrap to 1932. Both as written by another program and by us.
    for (double sinceReference : {-0.25, -0.75, -2.5, 0.25, 2147483657.5, -3155760000.0}) {
        auto read = readPlist(binaryPlist({plistDate(sinceReference)}));
        ASSERT_TRUE(read.ok()) << sinceReference;
        EXPECT_EQ(read.value(), Value(Date(978307200 + sinceReference))) << sinceReference;
    }
    for (double since1970 : {978307200 - 0.25, 978307200 - 0.75, 978307200 - 2.5, 978307200 + 0.25,
                             3155760000.5, -62135596800.0, 253402300799.0}) {
        Value value(Value::Array{Date(since1970)});
        EXPECT_EQ(roundTrip(value, PlistFormat::Binary), value) << std::fixed << since1970;
        EXPECT_EQ(roundTrip(value, PlistFormat::XML)[0].date()->timeIntervalSince1970(),
                  std::trunc(since1970 - 978307200) + 978307200)
            << std::fixed << since1970;
    }
}

TEST(PropertyListTest, KeysComeBackWholeWithoutAborting) {
    // UTF-16 keys, one holding a NUL (where the library's key accessor asserted and aborted).
    const std::pair<std::vector<std::uint8_t>, std::string> keys[] = {
        {{0x63, 0, 'a', 0, 0, 0, 'b'}, std::string("a\0b", 3)},
        {{0x64, 0, 'c', 0, 'a', 0, 'f', 0, 0xE9}, "caf\xc3\xa9"},
    };
    for (const auto& [key, text] : keys) {
        auto read = readPlist(
            binaryPlist({plistContainer(0xD, 2, {1, 3, 2, 2}), key, {0x51, 'x'}, {0x51, 'a'}}));
        ASSERT_TRUE(read.ok());
        EXPECT_EQ(read.value(), Value(Value::Dictionary{{text, "x"}, {"a", "x"}}))
            << read.value().description();
    }
}

TEST(PropertyListTest, KeyedArchiveUIDsReadAsReferences) {
    auto result = readPlist(binaryPlist({{0x80, 0x07}}));
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.value(), Value(Value::Dictionary{{"CF$UID", 7}}));
}

TEST(PropertyListTest, SharedObjectsReadAsCopies) {
    // One string referenced from several places, as writers that unique objects produce.
    auto result = readPlist(binaryPlist({plistArray({1, 1, 2}), {0x51, 'x'}, plistArray({1})}));
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.value(), Value(Value::Array{"x", "x", Value::Array{"x"}}));
}

TEST(PropertyListTest, HostileShapesAreRefused) {
    auto expectRefused = [](const Data& data, const char* what) {
        auto result = readPlist(data);
        ASSERT_FALSE(result.ok()) << what;
        EXPECT_EQ(result.error().code, PropertyListReadCorruptError) << what;
    };
    std::vector<std::vector<std::uint8_t>> chain;
    for (std::uint32_t i = 0; i + 1 < 100000; ++i)
        chain.push_back(plistArray({i + 1}));
    chain.push_back(plistArray({}));
    expectRefused(binaryPlist(chain), "binary nested 100000 deep");

    expectRefused(binaryPlist({plistArray({0})}), "array containing itself");
    expectRefused(binaryPlist({plistArray({1}), plistArray({0})}),
                  "two arrays containing each other");

    // Forty levels that each refer twice to the next would unfold into 2^40 values.
    std::vector<std::vector<std::uint8_t>> doubling;
    for (std::uint32_t i = 0; i < 40; ++i)
        doubling.push_back(plistArray({i + 1, i + 1}));
    doubling.push_back({0x51, 'x'});
    expectRefused(binaryPlist(doubling), "doubling references");

    std::string deep = "<plist version=\"1.0\">";
    for (int i = 0; i < 100000; ++i)
        deep += "<array>";
    expectRefused(Data::fromString(deep), "XML nested 100000 deep");

    // Nesting well within the limit still reads.
    std::string fine = "<plist version=\"1.0\">";
    for (int i = 0; i < 100; ++i)
        fine += "<array>";
    for (int i = 0; i < 100; ++i)
        fine += "</array>";
    EXPECT_TRUE(readPlist(Data::fromString(fine + "</plist>")).ok());
}

} // namespace
} // namespace base
