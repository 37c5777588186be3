#include "platform/net/URLRequest.h"

#include <gtest/gtest.h>

namespace net {
namespace {

using namespace std::chrono_literals;

TEST(URLRequestTest, DefaultsAreThePlatformsOnesAndTextThatMakesNoURLGivesNone) {
    auto request = URLRequest::withURLString("http://host.tld/a");
    EXPECT_EQ(request.url()->absoluteString(), "http://host.tld/a");
    EXPECT_EQ(request.HTTPMethod(), "GET");
    EXPECT_EQ(request.cachePolicy(), URLRequestCachePolicy::UseProtocolCachePolicy);
    EXPECT_EQ(request.timeoutInterval(), 60s);
    EXPECT_TRUE(request.HTTPShouldHandleCookies());
    EXPECT_FALSE(URLRequest::withURLString("a b.tld").url());
    EXPECT_FALSE(URLRequest::withURLString("").url());
}

TEST(URLRequestTest, HeaderNamesIgnoreCaseAndKeepTheirOrder) {
    URLRequest request;
    EXPECT_TRUE(request.setValueForHTTPHeaderField("one", "X-First"));
    EXPECT_TRUE(request.setValueForHTTPHeaderField("agent", "User-Agent"));
    EXPECT_TRUE(request.setValueForHTTPHeaderField("two", "x-first"));
    EXPECT_TRUE(request.addValueForHTTPHeaderField("text/html", "ACCEPT"));
    EXPECT_TRUE(request.addValueForHTTPHeaderField("*/*", "accept"));
    EXPECT_EQ(request.valueForHTTPHeaderField("X-FIRST"), "two");
    EXPECT_EQ(request.valueForHTTPHeaderField("Accept"), "text/html, */*");
    const auto& fields = request.allHTTPHeaderFields().all();
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_EQ(fields[0], (HTTPHeaderFields::Field{"X-First", "two"}));
    EXPECT_EQ(fields[1].first, "User-Agent");
    EXPECT_EQ(fields[2].first, "ACCEPT");

    request.removeHTTPHeaderField("user-agent");
    EXPECT_FALSE(request.valueForHTTPHeaderField("User-Agent"));
    EXPECT_EQ(request.allHTTPHeaderFields().size(), 2u);
}

TEST(URLRequestTest, FieldsThatCouldSplitTheMessageAreRefused) {
    URLRequest request;
    request.setValueForHTTPHeaderField("safe", "X-Value");
    const std::vector<std::string_view> values = {"a\r\nX-Injected: 1", "a\nb", "a\rb",
                                                  std::string_view("a\0b", 3)};
    for (std::string_view value : values) {
        EXPECT_FALSE(request.setValueForHTTPHeaderField(value, "X-Value"));
        EXPECT_FALSE(request.addValueForHTTPHeaderField(value, "X-Value"));
    }
    EXPECT_EQ(request.valueForHTTPHeaderField("X-Value"), "safe");
    for (std::string_view name : {"", "Bad Name", "Bad:Name", "X\r\nY"})
        EXPECT_FALSE(request.setValueForHTTPHeaderField("v", name)) << name;
    EXPECT_EQ(request.allHTTPHeaderFields().size(), 1u);
    // An empty value is a value.
    EXPECT_TRUE(request.setValueForHTTPHeaderField("", "X-Empty"));
    EXPECT_EQ(request.valueForHTTPHeaderField("X-Empty"), "");
}

TEST(URLRequestTest, MethodsMustBeTokens) {
    URLRequest request;
    EXPECT_TRUE(request.setHTTPMethod("POST"));
    EXPECT_FALSE(request.setHTTPMethod("GET /x HTTP/1.1\r\n"));
    EXPECT_EQ(request.HTTPMethod(), "POST");
    EXPECT_TRUE(request.setHTTPMethod(""));
    EXPECT_EQ(request.HTTPMethod(), "GET");
}

TEST(URLRequestTest, ACopyChangesIndependently) {
    auto original = URLRequest::withURLString("http://host.tld/a");
    original.setValueForHTTPHeaderField("agent", "User-Agent");
    auto copy = original;
    EXPECT_EQ(copy, original);
    copy.setURL(base::URL::parse("http://host.tld/b"));
    copy.setHTTPMethod("POST");
    copy.setHTTPBody(base::Data::fromString("x=1"));
    copy.setValueForHTTPHeaderField("other", "User-Agent");
    EXPECT_EQ(original.url()->absoluteString(), "http://host.tld/a");
    EXPECT_EQ(original.HTTPMethod(), "GET");
    EXPECT_TRUE(original.HTTPBody().empty());
    EXPECT_EQ(original.valueForHTTPHeaderField("User-Agent"), "agent");
    EXPECT_NE(copy, original);
}

TEST(URLRequestTest, SettingAllFieldsJoinsRepeatedNames) {
    HTTPHeaderFields fields;
    fields.append("Accept", "a");
    fields.append("accept", "b");
    fields.append("X-One", "1");
    URLRequest request;
    request.setValueForHTTPHeaderField("gone", "X-Old");
    request.setAllHTTPHeaderFields(fields);
    EXPECT_FALSE(request.valueForHTTPHeaderField("X-Old"));
    EXPECT_EQ(request.valueForHTTPHeaderField("ACCEPT"), "a, b");
    EXPECT_EQ(request.allHTTPHeaderFields().size(), 2u);
}

} // namespace
} // namespace net
