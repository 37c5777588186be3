#include "ads/request/VDRequest.h"

#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDDevice.h"
#include "ads/foundation/VDGestureUtil.h"
#include "ads/foundation/VDLogger.h"
#include "ads/foundation/VDMainThread.h"
#include "ads/foundation/VDNetwork.h"
#include "ads/mediation/VDExtras.h"
#include "ads/request/VDAdsClient.h"
#include "platform/base/Clock.h"
#include "platform/base/Strings.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <mutex>

namespace {

constexpr const char* buildMetadata = "7592";
constexpr const char* preReleaseIdentifier = "rc.1";

struct CivilDay {
    long long year;
    unsigned month;
    unsigned day;
};

// The local calendar day of a moment.
CivilDay localDay(base::Date date) {
    const double local = date.timeIntervalSince1970() + base::Clock::current().secondsFromGMT(date);
    const auto days = std::chrono::floor<std::chrono::days>(
        std::chrono::sys_seconds(std::chrono::seconds(static_cast<long long>(std::floor(local)))));
    const std::chrono::year_month_day ymd(days);
    return {int(ymd.year()), unsigned(ymd.month()), unsigned(ymd.day())};
}

std::string twoDigits(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02u", value);
    return text;
}

} // namespace

std::shared_ptr<VDRequest> VDRequest::request() {
    // The ads client's early start-up work has run before the first request.
    static std::once_flag initialized;
    std::call_once(initialized, [] {
        VDAdsClient::installEarlyActivities();
        VDApplication::sharedInstance()->runEarlyActivities();
    });
    return std::make_shared<VDRequest>(Private{});
}

VDRequest::VDRequest(Private) {}

std::shared_ptr<VDRequest> VDRequest::copy() const {
    auto copied = std::make_shared<VDRequest>(Private{});
    copyPropertiesInto(*copied);
    return copied;
}

void VDRequest::copyPropertiesInto(VDRequest& into) const {
    into.setTestDevices(testDevices_);
    into.setFormatParameters(formatParameters_);
    into.setNetworkExtrasMap(networkExtrasMap_);
    into.setPrivateMediationExtras(privateMediationExtras_);
    into.setGender(gender_);
    into.setBirthday(birthday_);
    into.setLocation(location_);
    into.setKeywords(keywords_);
    into.setChildDirectedTreatment(childDirectedTreatment_);
    into.setContentURL(contentURL_);
    into.setResponseType(responseType_);
    into.setRequestAgent(requestAgent_);
    into.setCorrelationID(correlationID_);
}

const std::string& VDRequest::sdkVersion() {
    static const std::string version = "vdma-sdk-i-v7.2.1";
    return version;
}

long VDRequest::requestTypeFromString(std::string_view type) {
    if (type == "vediv")
        return 2;
    if (type == "xfp")
        return 3;
    if (type == "rdsense")
        return 1;
    return 0;
}

std::string VDRequest::sdkVersionMetadata() {
    const std::string metadata = buildMetadata;
    return metadata.empty() ? std::string() : "+" + metadata;
}

std::string VDRequest::sdkVersionIdentifiers() {
    const std::string identifier = preReleaseIdentifier;
    return identifier.empty() ? std::string() : "-" + identifier;
}

const std::string& VDRequest::extendedSDKVersionNumber() {
    static const std::string version =
        sdkVersion() + sdkVersionIdentifiers() + sdkVersionMetadata();
    return version;
}

void VDRequest::setBirthdayWithMonthDayYear(long month, long day, long year) {
    using namespace std::chrono;
    // Months beyond 1 to 12 carry into the year, days beyond the month into the next months.
    const long long monthIndex = static_cast<long long>(year) * 12 + (month - 1);
    const long long wholeYear = monthIndex >= 0 ? monthIndex / 12 : (monthIndex - 11) / 12;
    const unsigned wholeMonth = unsigned(monthIndex - wholeYear * 12) + 1;
    const sys_days first = std::chrono::year(int(wholeYear)) / std::chrono::month(wholeMonth) / 1;
    const sys_days civil = first + days(day - 1);
    const double utcMidnight = double(civil.time_since_epoch().count()) * 86'400;
    // Midnight in the local time zone of that day.
    const int offset = base::Clock::current().secondsFromGMT(base::Date(utcMidnight));
    birthday_ = base::Date(utcMidnight - offset);
}

void VDRequest::registerAdNetworkExtras(const std::shared_ptr<VDAdNetworkExtras>& extras) {
    if (!extras) {
        VDLogger::sharedInstance()->logPublicMessage(
            "Must specify extras for registerAdNetworkExtras:.");
        return;
    }
    networkExtrasMap_[extras->className()] = extras;
}

std::shared_ptr<VDAdNetworkExtras> VDRequest::adNetworkExtrasFor(std::string_view className) const {
    auto found = networkExtrasMap_.find(std::string(className));
    return found == networkExtrasMap_.end() ? nullptr : found->second;
}

void VDRequest::removeAdNetworkExtrasFor(std::string_view className) {
    networkExtrasMap_.erase(std::string(className));
}

std::optional<base::Value::Dictionary> VDRequest::networkExtrasAdditionalParameters() {
    auto extras = std::dynamic_pointer_cast<VDExtras>(adNetworkExtrasFor(VDExtras::name));
    if (!extras)
        return std::nullopt;
    auto parameters = extras->additionalParameters();
    if (parameters) {
        auto useOnce = parameters->find("_useOnce");
        if (useOnce != parameters->end() && useOnce->second.boolValue())
            removeAdNetworkExtrasFor(VDExtras::name);
    }
    return parameters;
}

std::optional<base::URL> VDRequest::networkExtrasRequestURL() const {
    auto extras = std::dynamic_pointer_cast<VDExtras>(adNetworkExtrasFor(VDExtras::name));
    return extras ? extras->requestURL() : std::nullopt;
}

void VDRequest::setLocationWithLatitudeLongitudeAccuracy(double latitude, double longitude,
                                                         double accuracy) {
    location_ = VDLocation::createWithLatitudeLongitudeAccuracy(latitude, longitude, accuracy);
}

void VDRequest::setLocationWithDescription(std::string description) {
    location_ = VDLocation::createWithLocationDescription(std::move(description));
}

std::optional<std::string> VDRequest::genderString() const {
    if (gender_ == kVDGenderMale)
        return "1";
    if (gender_ == kVDGenderFemale)
        return "2";
    return std::nullopt;
}

std::optional<std::string> VDRequest::birthdayString() const {
    if (!birthday_)
        return std::nullopt;
    const CivilDay day = localDay(*birthday_);
    char year[32];
    std::snprintf(year, sizeof year, "%04lld", day.year);
    return year + twoDigits(day.month) + twoDigits(day.day);
}

std::optional<std::string> VDRequest::contentURLString() const {
    if (!contentURL_)
        return std::nullopt;
    std::string trimmed = base::trim(*contentURL_);
    if (trimmed.empty())
        return std::nullopt;
    return trimmed;
}

bool VDRequest::isATestDevice() const {
    if (!testDevices_)
        return false;
    auto device = VDDevice::sharedInstance();
    const std::string identifier = device->isSimulator() ? "Simulator" : device->deviceIdentifier();
    for (const auto& entry : *testDevices_) {
        const std::string* text = entry.string();
        if (text && !text->empty() && *text == identifier)
            return true;
    }
    return false;
}

std::string VDRequest::description() const {
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(this));
    std::string text = "<" + className() + " " + address + ": ";
    if (gender_ == kVDGenderMale)
        text += "\ngender:Male";
    else if (gender_ == kVDGenderFemale)
        text += "\ngender:Female";
    if (birthday_)
        text += "\nbirthday:" + base::Value(*birthday_).description();
    if (location_)
        text += "\nlocation:" + location_->locationDescription();
    if (keywords_)
        text += "\nkeywords:" + base::Value(*keywords_).description();
    auto extras = std::dynamic_pointer_cast<VDExtras>(adNetworkExtrasFor(VDExtras::name));
    if (extras && extras->additionalParameters())
        text +=
            "\nadditionalParameters:" + base::Value(*extras->additionalParameters()).description();
    return text + ">";
}

std::optional<std::pair<std::string, std::string>>
VDRequest::parameterFromGestureSignal(std::string_view signal) {
    auto pieces = base::split(signal, "=");
    if (pieces.size() < 2 || pieces[0].empty() || pieces[1].empty())
        return std::nullopt;
    return std::pair{std::move(pieces[0]), std::move(pieces[1])};
}

// The request's keys, in the order they are written (a later write replaces an earlier one):
//   adapters          the mediation adapters built in (once the server has named candidates)
//   (device keys)     VDDevice::parameters(): ios_ipadc … cap_noiap
//   js                sdkVersion()
//   net, net_last     the network type now and last ("wi" or "ed")
//   simulator         "1" in a simulator build
//   adtest            "on" for a test device
//   correlation_id    correlationID() when not 0
//   extras            the VDExtras additional parameters
//   cust_gender       genderString()
//   cust_age          birthdayString()
//   kw                keywords() as they are
//   tag_for_child_directed_treatment   "1" or "0" once the host has said
//   url               contentURLString()
//   request_agent     requestAgent()
//   uule              the location's position
//   <gesture signal>  one key and value from the gesture-signal component
//   native_templates, native_version   for native formats (responseType() not 0)
base::Value::Dictionary VDRequest::parameters() const {
    base::Value::Dictionary parameters;
    auto set = [&parameters](const std::string& key, base::Value value) {
        parameters[key] = std::move(value);
    };

    if (auto adapters = VDApplication::sharedInstance()->availableAdapterNames()) {
        base::Value::Array names;
        for (auto& name : *adapters)
            names.emplace_back(std::move(name));
        set("adapters", base::Value(std::move(names)));
    }
    auto device = VDDevice::sharedInstance();
    for (auto& [key, value] : device->parameters())
        set(key, std::move(value));
    set("js", base::Value(sdkVersion()));
    if (auto network = device->network()) {
        if (auto type = network->networkTypeString())
            set("net", base::Value(*type));
        if (auto type = network->lastKnownNetworkTypeString())
            set("net_last", base::Value(*type));
    }
    if (device->isSimulator())
        set("simulator", base::Value("1"));
    if (isATestDevice())
        set("adtest", base::Value("on"));
    if (correlationID_ != 0)
        set("correlation_id", base::Value(correlationID_));
    auto extras = std::dynamic_pointer_cast<VDExtras>(adNetworkExtrasFor(VDExtras::name));
    if (extras && extras->additionalParameters())
        set("extras", base::Value(*extras->additionalParameters()));
    if (auto gender = genderString())
        set("cust_gender", base::Value(*gender));
    if (auto birthday = birthdayString())
        set("cust_age", base::Value(*birthday));
    if (keywords_)
        set("kw", base::Value(*keywords_));
    if (childDirectedTreatment_)
        set("tag_for_child_directed_treatment", base::Value(*childDirectedTreatment_ ? "1" : "0"));
    if (auto url = contentURLString())
        set("url", base::Value(*url));
    if (requestAgent_)
        set("request_agent", base::Value(*requestAgent_));
    if (location_) {
        if (auto uule = location_->dictionaryRepresentation())
            set("uule", base::Value(*uule));
    }

    // The gesture signal lives on the main thread; it answers "key=value".
    std::string signal;
    bool signalled = false;
    VDRunSyncOnMainThread([&] {
        signalled = VDGestureUtil::sharedInstance()->requestSignalForVersion(sdkVersion(), signal);
    });
    if (signalled) {
        if (auto pair = parameterFromGestureSignal(signal))
            set(pair->first, base::Value(pair->second));
    }

    if (formatParameters_ && responseType_ != 0) {
        std::vector<std::string> formats;
        for (const auto& format : *formatParameters_) {
            if (auto text = format["format"].stringValue())
                formats.push_back(*text);
        }
        std::string templates = base::join(formats, ",");
        if (!templates.empty()) {
            set("native_templates", base::Value(templates));
            set("native_version", base::Value(responseType_));
        }
    }
    return parameters;
}
