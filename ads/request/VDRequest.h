#pragma once

#include "ads/mediation/VDAdNetworkExtras.h"
#include "ads/request/VDLocation.h"
#include "platform/base/Date.h"
#include "platform/base/URL.h"
#include "platform/base/Value.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

// What a host asks an ad for: test devices, targeting, location, network extras. A banner or
// interstitial works on its own copy of the request for each load, so later changes by the
// host do not reach a load in progress.
//
// parameters() gives the request's and the device's part of the ad-request parameters. It may
// run on any thread (the ad-URL queue does so) but steps onto the main thread for the gesture
// signal: the main thread must not be waiting for the caller then.
class VDRequest {
protected:
    struct Private {};

public:
    enum Gender : long { kVDGenderUnknown = 0, kVDGenderMale = 1, kVDGenderFemale = 2 };

    // A new request; the first one ever runs the ads client's early start-up work.
    static std::shared_ptr<VDRequest> request();
    explicit VDRequest(Private);
    virtual ~VDRequest() = default;

    // A new request of the same kind with every property copied; the network extras map is
    // copied, the extras objects in it are shared.
    virtual std::shared_ptr<VDRequest> copy() const;

    // "vdma-sdk-i-v7.2.1".
    static const std::string& sdkVersion();
    // "vediv" 2, "xfp" 3, "rdsense" 1, anything else 0.
    static long requestTypeFromString(std::string_view type);
    // "+7592" ("" for empty build metadata).
    static std::string sdkVersionMetadata();
    // "-rc.1" ("" for an empty pre-release identifier).
    static std::string sdkVersionIdentifiers();
    // The three above in one: "vdma-sdk-i-v7.2.1-rc.1+7592".
    static const std::string& extendedSDKVersionNumber();

    const std::optional<base::Value::Array>& testDevices() const { return testDevices_; }
    void setTestDevices(std::optional<base::Value::Array> devices) {
        testDevices_ = std::move(devices);
    }
    long gender() const { return gender_; }
    void setGender(long gender) { gender_ = gender; }
    const std::optional<base::Date>& birthday() const { return birthday_; }
    void setBirthday(std::optional<base::Date> birthday) { birthday_ = birthday; }
    // Midnight, local time, of that day of the Gregorian calendar (months and days beyond their
    // range carry over, as a calendar does).
    void setBirthdayWithMonthDayYear(long month, long day, long year);
    const std::optional<base::Value::Array>& keywords() const { return keywords_; }
    void setKeywords(std::optional<base::Value::Array> keywords) {
        keywords_ = std::move(keywords);
    }
    const std::optional<std::string>& contentURL() const { return contentURL_; }
    void setContentURL(std::optional<std::string> url) { contentURL_ = std::move(url); }
    const std::optional<std::string>& requestAgent() const { return requestAgent_; }
    void setRequestAgent(std::optional<std::string> agent) { requestAgent_ = std::move(agent); }

    using NetworkExtrasMap = std::map<std::string, std::shared_ptr<VDAdNetworkExtras>>;
    const NetworkExtrasMap& networkExtrasMap() const { return networkExtrasMap_; }
    void setNetworkExtrasMap(NetworkExtrasMap map) { networkExtrasMap_ = std::move(map); }
    // Keeps the extras under their class name; null is refused with a line in the public log.
    void registerAdNetworkExtras(const std::shared_ptr<VDAdNetworkExtras>& extras);
    std::shared_ptr<VDAdNetworkExtras> adNetworkExtrasFor(std::string_view className) const;
    void removeAdNetworkExtrasFor(std::string_view className);
    // The additional parameters of the ads client's own extras (VDExtras); when they hold
    // "_useOnce" true, those extras are removed from this request as they are read.
    std::optional<base::Value::Dictionary> networkExtrasAdditionalParameters();
    // The ready ad URL of the ads client's own extras ("_requestUrl"), if they hold one. Read it
    // before networkExtrasAdditionalParameters(), which may remove those extras.
    std::optional<base::URL> networkExtrasRequestURL() const;

    const std::optional<VDLocation>& location() const { return location_; }
    void setLocation(std::optional<VDLocation> location) { location_ = std::move(location); }
    // No location for a position off the globe.
    void setLocationWithLatitudeLongitudeAccuracy(double latitude, double longitude,
                                                  double accuracy);
    // No location for an empty description.
    void setLocationWithDescription(std::string description);

    const std::optional<bool>& childDirectedTreatment() const { return childDirectedTreatment_; }
    void setChildDirectedTreatment(std::optional<bool> treatment) {
        childDirectedTreatment_ = treatment;
    }
    void tagForChildDirectedTreatment(bool childDirected) {
        childDirectedTreatment_ = childDirected;
    }
    const std::optional<base::Value::Dictionary>& privateMediationExtras() const {
        return privateMediationExtras_;
    }
    void setPrivateMediationExtras(std::optional<base::Value::Dictionary> extras) {
        privateMediationExtras_ = std::move(extras);
    }
    const std::optional<base::Value::Array>& formatParameters() const { return formatParameters_; }
    void setFormatParameters(std::optional<base::Value::Array> formats) {
        formatParameters_ = std::move(formats);
    }
    long responseType() const { return responseType_; }
    void setResponseType(long type) { responseType_ = type; }
    std::uint64_t correlationID() const { return correlationID_; }
    void setCorrelationID(std::uint64_t identifier) { correlationID_ = identifier; }

    // "1" for male, "2" for female, else nullopt.
    std::optional<std::string> genderString() const;
    // The birthday as "yyyyMMdd" in local time.
    std::optional<std::string> birthdayString() const;
    // The content URL without white space at either end; nullopt when nothing is left.
    std::optional<std::string> contentURLString() const;
    // Whether one of the test devices is this device's identifier.
    bool isATestDevice() const;

    // "<VDRequest 0x…: …>" with the gender, birthday, location, keywords and extras given.
    virtual std::string description() const;

    // The request parameters: the request's own keys and the device's (see the request key
    // table in VDRequest.cpp), a new dictionary each call.
    virtual base::Value::Dictionary parameters() const;

    // The key and value of a gesture signal "key=value" (pieces after a further "=" are
    // dropped); nullopt when the key or the value is empty.
    static std::optional<std::pair<std::string, std::string>>
    parameterFromGestureSignal(std::string_view signal);

protected:
    // Copies every property of this request into `into`.
    void copyPropertiesInto(VDRequest& into) const;
    virtual std::string className() const { return "VDRequest"; }

private:
    std::optional<base::Value::Array> testDevices_;
    long gender_ = kVDGenderUnknown;
    std::optional<base::Date> birthday_;
    std::optional<base::Value::Array> keywords_;
    std::optional<std::string> contentURL_;
    std::optional<std::string> requestAgent_;
    NetworkExtrasMap networkExtrasMap_;
    std::optional<VDLocation> location_;
    std::optional<bool> childDirectedTreatment_;
    std::optional<base::Value::Dictionary> privateMediationExtras_;
    std::optional<base::Value::Array> formatParameters_;
    long responseType_ = 0;
    std::uint64_t correlationID_ = 0;
};
