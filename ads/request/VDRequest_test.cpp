#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDClassRegistry.h"
#include "ads/foundation/VDDevice.h"
#include "ads/foundation/VDGestureUtil.h"
#include "ads/foundation/VDMD5.h"
#include "ads/foundation/VDNetwork.h"
#include "ads/mediation/VDExtras.h"
#include "ads/request/VDRequest.h"
#include "platform/base/ProcessWide.h"
#include "platform/net/FakeReachabilitySource.h"
#include "platform/testing/LogCapture.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/Device.h"

#include <gtest/gtest.h>

namespace {

class OtherExtras final : public VDAdNetworkExtras {
public:
    std::string className() const override { return "OtherExtras"; }
};

class VDRequestTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ui::Device::install(std::make_shared<ui::Device>());
        // The ad host cannot be reached: no network type to send until a test sets one.
        reachability().setFlags(0);
        auto network = VDDevice::sharedInstance()->network();
        network->enableCheckingQueue().sync([] {});
        network->lockQueue().sync([] {});
    }
    void TearDown() override {
        base::resetProcessServicesForTesting();
        VDClassRegistry::resetForTesting();
        base::resetProcessServicesForTesting();
        ui::Device::install(nullptr);
        PlatformTest::TearDown();
    }

    // Every key the request writes besides the device's.
    static base::Value::Dictionary ownKeys(const VDRequest& request) {
        auto parameters = request.parameters();
        for (const auto& [key, value] : VDDevice::sharedInstance()->parameters()) {
            EXPECT_EQ(parameters[key], value) << key;
            parameters.erase(key);
        }
        return parameters;
    }
};

TEST_F(VDRequestTest, AnEmptyRequestSendsOnlyTheVersionAndTheGestureSignal) {
    auto request = VDRequest::request();
    auto keys = ownKeys(*request);
    ASSERT_TRUE(keys.contains("gsig"));
    keys.erase("gsig");
    EXPECT_EQ(keys, (base::Value::Dictionary{{"js", base::Value("vdma-sdk-i-v7.2.1")}}));
}

TEST_F(VDRequestTest, EveryKeyOfAFullRequest) {
    clock().setZone(5 * 3600 + 1800, "Asia/Kolkata");
    ui::Device::current().setAdvertisingTrackingEnabled(true);
    const std::string identifier = *vd_MD5String(ui::Device::current().advertisingIdentifier());
    VDClassRegistry::registerClass("VDMAdapterHTML", std::make_shared<VDClassRegistry::Class>());
    VDApplication::sharedInstance()->updateAvailableAdapterNamesWithPotentialAdapterNames({});
    auto network = VDDevice::sharedInstance()->network();
    ASSERT_TRUE(network);
    network->setNetworkType(VDNetwork::NetworkTypeWiFi);
    network->setNetworkType(VDNetwork::NetworkTypeCellular);

    auto request = VDRequest::request();
    request->setTestDevices(
        base::Value::Array{base::Value(7), base::Value(""), base::Value(identifier)});
    request->setGender(VDRequest::kVDGenderFemale);
    request->setBirthdayWithMonthDayYear(2, 29, 1990); // no such day: 1 March
    request->setKeywords(base::Value::Array{base::Value("a"), base::Value("b")});
    request->setContentURL("  http://content.tld/page \n");
    request->setRequestAgent("host/1.0");
    request->setLocationWithLatitudeLongitudeAccuracy(1.5, -2.25, 5);
    request->tagForChildDirectedTreatment(false);
    request->setFormatParameters(base::Value::Array{
        base::Value(base::Value::Dictionary{{"format", base::Value("app")}}),
        base::Value(base::Value::Dictionary{{"other", base::Value("x")}}),
        base::Value(base::Value::Dictionary{{"format", base::Value("content")}})});
    request->setResponseType(2);
    request->setCorrelationID(77);
    auto extras = VDExtras::create();
    extras->setAdditionalParameters(base::Value::Dictionary{{"color", base::Value("red")}});
    request->registerAdNetworkExtras(extras);

    auto keys = ownKeys(*request);
    EXPECT_TRUE(keys.contains("gsig"));
    keys.erase("gsig");
    const base::Value::Dictionary expected{
        {"adapters", base::Value(base::Value::Array{base::Value("VDMAdapterHTML")})},
        {"js", base::Value("vdma-sdk-i-v7.2.1")},
        {"net", base::Value("ed")},
        {"net_last", base::Value("ed")},
        {"adtest", base::Value("on")},
        {"correlation_id", base::Value(77u)},
        {"extras", base::Value(base::Value::Dictionary{{"color", base::Value("red")}})},
        {"cust_gender", base::Value("2")},
        {"cust_age", base::Value("19900301")},
        {"kw", base::Value(base::Value::Array{base::Value("a"), base::Value("b")})},
        {"tag_for_child_directed_treatment", base::Value("0")},
        {"url", base::Value("http://content.tld/page")},
        {"request_agent", base::Value("host/1.0")},
        {"uule", base::Value(*request->location()->dictionaryRepresentation())},
        {"native_templates", base::Value("app,content")},
        {"native_version", base::Value(2)},
    };
    EXPECT_EQ(keys, expected);
}

TEST_F(VDRequestTest, ValuesThatAreAbsentOrEmptyLeaveTheirKeysOut) {
    auto request = VDRequest::request();
    request->setGender(3);
    request->setContentURL(" \n\t ");
    request->setLocationWithDescription("Paris");
    request->setTestDevices(base::Value::Array{base::Value(""), base::Value(5)});
    request->setFormatParameters(
        base::Value::Array{base::Value(base::Value::Dictionary{{"format", base::Value("app")}})});
    request->setResponseType(0);
    auto keys = ownKeys(*request);
    for (const char* key : {"cust_gender", "url", "uule", "adtest", "native_templates",
                            "native_version", "correlation_id", "extras"})
        EXPECT_FALSE(keys.contains(key)) << key;
    EXPECT_FALSE(request->isATestDevice());
    EXPECT_EQ(request->genderString(), std::nullopt);

    // An imprecise position is no location at all.
    request->setLocationWithLatitudeLongitudeAccuracy(91, 0, 1);
    EXPECT_EQ(request->location(), std::nullopt);
}

TEST_F(VDRequestTest, BirthdaysAreLocalCalendarDays) {
    const std::pair<int, const char*> zones[] = {{0, "UTC"}, {19800, "+5:30"}, {-18000, "-5"}};
    for (const auto& [offset, name] : zones) {
        clock().setZone(offset, name);
        auto request = VDRequest::request();
        request->setBirthdayWithMonthDayYear(12, 31, 1999);
        EXPECT_EQ(request->birthdayString(), "19991231") << name;
        request->setBirthdayWithMonthDayYear(13, 1, 1999); // a month too many: next January
        EXPECT_EQ(request->birthdayString(), "20000101") << name;
        request->setBirthdayWithMonthDayYear(1, 0, 2000); // day 0: the last of December
        EXPECT_EQ(request->birthdayString(), "19991231") << name;
    }
}

TEST_F(VDRequestTest, SingleUseExtrasSteerOneLoad) {
    auto request = VDRequest::request();
    EXPECT_EQ(request->networkExtrasAdditionalParameters(), std::nullopt);
    auto extras = VDExtras::create();
    extras->setAdditionalParameters(
        base::Value::Dictionary{{"_useOnce", base::Value(true)}, {"a", base::Value(1)}});
    request->registerAdNetworkExtras(extras);
    request->registerAdNetworkExtras(std::make_shared<OtherExtras>());

    auto load = request->copy();
    EXPECT_EQ(load->networkExtrasAdditionalParameters(), extras->additionalParameters());
    EXPECT_EQ(load->adNetworkExtrasFor("VDExtras"), nullptr);
    EXPECT_FALSE(load->parameters().contains("extras"));
    EXPECT_NE(load->adNetworkExtrasFor("OtherExtras"), nullptr);
    // The host's request still has them.
    EXPECT_EQ(request->adNetworkExtrasFor("VDExtras"), extras);

    extras->setAdditionalParameters(base::Value::Dictionary{{"a", base::Value(1)}});
    auto again = request->copy();
    again->networkExtrasAdditionalParameters();
    EXPECT_EQ(again->parameters()["extras"], base::Value(*extras->additionalParameters()));

    testing_support::LogCapture log;
    request->registerAdNetworkExtras(nullptr);
    EXPECT_TRUE(log.contains("Must specify extras for registerAdNetworkExtras:."));
    request->removeAdNetworkExtrasFor("OtherExtras");
    EXPECT_EQ(request->adNetworkExtrasFor("OtherExtras"), nullptr);
}

TEST_F(VDRequestTest, ACopyIsIndependentOfItsOriginal) {
    auto request = VDRequest::request();
    request->setKeywords(base::Value::Array{base::Value("a")});
    request->setGender(VDRequest::kVDGenderMale);
    request->setCorrelationID(9);
    auto copy = request->copy();
    request->setKeywords(base::Value::Array{base::Value("b")});
    request->setGender(VDRequest::kVDGenderFemale);
    EXPECT_EQ(copy->keywords(), (base::Value::Array{base::Value("a")}));
    EXPECT_EQ(copy->gender(), VDRequest::kVDGenderMale);
    EXPECT_EQ(copy->correlationID(), 9u);
    EXPECT_NE(copy->description().find("\ngender:Male\nkeywords:"), std::string::npos);
    EXPECT_EQ(request->description().find("gender:Male"), std::string::npos);
}

TEST_F(VDRequestTest, GestureSignalsGiveOneKeyAndValue) {
    using Pair = std::pair<std::string, std::string>;
    EXPECT_EQ(VDRequest::parameterFromGestureSignal("k=v"), (Pair{"k", "v"}));
    EXPECT_EQ(VDRequest::parameterFromGestureSignal("k=v=w"), (Pair{"k", "v"}));
    EXPECT_EQ(VDRequest::parameterFromGestureSignal("=v"), std::nullopt);
    EXPECT_EQ(VDRequest::parameterFromGestureSignal("k="), std::nullopt);
    EXPECT_EQ(VDRequest::parameterFromGestureSignal("k"), std::nullopt);
    EXPECT_EQ(VDRequest::parameterFromGestureSignal(""), std::nullopt);
}

TEST_F(VDRequestTest, VersionStrings) {
    EXPECT_EQ(VDRequest::sdkVersion(), "vdma-sdk-i-v7.2.1");
    EXPECT_EQ(VDRequest::sdkVersionMetadata(), "+7592");
    EXPECT_EQ(VDRequest::sdkVersionIdentifiers(), "-rc.1");
    EXPECT_EQ(VDRequest::extendedSDKVersionNumber(), "vdma-sdk-i-v7.2.1-rc.1+7592");
    const std::pair<const char*, long> types[] = {
        {"vediv", 2}, {"xfp", 3}, {"rdsense", 1}, {"VEDIV", 0}, {"", 0}};
    for (const auto& [text, type] : types)
        EXPECT_EQ(VDRequest::requestTypeFromString(text), type) << text;
}

} // namespace
