#pragma once

#include "platform/base/Error.h"
#include "platform/base/Value.h"
#include "platform/net/HTTPHeaderFields.h"

#include <memory>
#include <optional>
#include <string>

class VDAd;

// What asks the SDK-core controller for an ad URL (the slot, the ad-URL mediation adapter).
// setRequestID and requestParameters are called on the controller's URL queue
// ("viz.azodoz.eziro.sdk-core-controller-url"), one request at a time; every other call comes
// asynchronously on the main thread, and only while the delegate is alive. A request ends with
// exactly one of the last five calls.
class VDSDKCoreControllerDelegate {
public:
    virtual ~VDSDKCoreControllerDelegate() = default;

    // The parameters of the ad request (the request's, the device's and the asker's keys).
    virtual base::Value::Dictionary requestParameters() = 0;
    // 0 a plain ad, 1 a banner, 2 an interstitial: the record an ad delivered whole becomes.
    virtual long requestedAdType() = 0;
    // The identifier the page answers under ("1", "2", ...).
    virtual void setRequestID(const std::string& requestID) = 0;

    // The page built the ad URL: "url", and "errors", "request_scenario",
    // "enable_auto_click_protection" as the page sent them.
    virtual void loadAdURLWithParameters(const base::Value::Dictionary& parameters) = 0;
    // The page delivered the ad itself (no ad for a requested type the controller does not
    // know).
    virtual void loadAdHeaders(const std::shared_ptr<VDAd>& ad,
                               const std::optional<net::HTTPHeaderFields>& headers) = 0;
    // The page refused the request.
    virtual void invalidJavaScriptRequest() = 0;
    // The core page could not be loaded.
    virtual void failedJavaScriptFile() = 0;
    // The page did not answer within VDSDKCoreController::answerTimeout; the error is the
    // time-out's VDRequestError (code 5).
    virtual void adURLRequestDidTimeOutWithError(const base::Error& error) = 0;
};
