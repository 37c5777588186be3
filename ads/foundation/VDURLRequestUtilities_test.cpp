#include "ads/foundation/VDDevice.h"
#include "ads/foundation/VDURLRequestUtilities.h"
#include "platform/base/ProcessWide.h"
#include "platform/testing/PlatformTest.h"

#include <gtest/gtest.h>

namespace {

class VDURLRequestUtilitiesTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        VDDevice::sharedInstance()->setUserAgentString("TestAgent/1.0");
    }
    void TearDown() override {
        base::resetProcessServicesForTesting();
        PlatformTest::TearDown();
    }
    const std::optional<base::URL> url = base::URL::parse("http://ads.tld/report");
};

TEST_F(VDURLRequestUtilitiesTest, RequestsCarryTheUserAgentOverTheGivenHeaders) {
    auto get = vd_requestForURLDataHeadersType(
        url, std::nullopt,
        std::map<std::string, std::string>{{"User-Agent", "theirs"}, {"X-Extra", "1"}},
        "text/plain");
    ASSERT_TRUE(get);
    EXPECT_EQ(get->HTTPMethod(), "GET");
    EXPECT_TRUE(get->HTTPBody().empty());
    EXPECT_EQ(get->valueForHTTPHeaderField("User-Agent"), "TestAgent/1.0");
    EXPECT_EQ(get->valueForHTTPHeaderField("X-Extra"), "1");
    EXPECT_EQ(get->valueForHTTPHeaderField("Content-Type"), std::nullopt);
    EXPECT_EQ(get->cachePolicy(), net::URLRequestCachePolicy::UseProtocolCachePolicy);
    EXPECT_EQ(get->timeoutInterval(), net::URLRequest::defaultTimeoutInterval);

    auto post = vd_requestForURLDataHeadersType(url, base::Data::fromString("{\"a\":1}"),
                                                std::nullopt, "application/json");
    ASSERT_TRUE(post);
    EXPECT_EQ(post->HTTPMethod(), "POST");
    EXPECT_EQ(post->HTTPBody(), base::Data::fromString("{\"a\":1}"));
    EXPECT_EQ(post->valueForHTTPHeaderField("Content-Length"), "7");
    EXPECT_EQ(post->valueForHTTPHeaderField("Content-Type"), "application/json");

    // A body without a type is still sent, never dropped.
    auto untyped = vd_requestForURLDataHeadersType(url, base::Data::fromString("x"), std::nullopt,
                                                   std::nullopt);
    ASSERT_TRUE(untyped);
    EXPECT_EQ(untyped->HTTPMethod(), "POST");
    EXPECT_EQ(untyped->HTTPBody(), base::Data::fromString("x"));
    EXPECT_EQ(untyped->valueForHTTPHeaderField("Content-Type"), std::nullopt);
}

TEST_F(VDURLRequestUtilitiesTest, WhatCannotBeSentAsGivenMakesNoRequest) {
    EXPECT_EQ(
        vd_requestForURLDataHeadersType(std::nullopt, std::nullopt, std::nullopt, std::nullopt),
        std::nullopt);
    using Headers = std::map<std::string, std::string>;
    for (const Headers& headers : {Headers{{"X-Bad", "a\r\nInjected: 1"}},
                                   Headers{{"X-Bad", "a\nb"}}, Headers{{"Bad Name", "v"}}}) {
        EXPECT_EQ(vd_requestForURLDataHeadersType(url, std::nullopt, headers, std::nullopt),
                  std::nullopt)
            << headers.begin()->first;
    }
    EXPECT_EQ(vd_requestForURLDataHeadersType(url, base::Data(), std::nullopt,
                                              std::string("text/plain\r\nX: 1")),
              std::nullopt);
}

} // namespace
