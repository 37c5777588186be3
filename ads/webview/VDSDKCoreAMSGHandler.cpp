#include "ads/webview/VDSDKCoreAMSGHandler.h"

#include "ads/foundation/VDJSONUtilities.h"
#include "platform/base/DispatchQueue.h"

namespace {

std::string requestIDOf(const VDNotification& note) {
    auto found = note.parameters().find(VDSDKCoreAMSGHandler::requestIDKey);
    return found == note.parameters().end() ? std::string() : found->second;
}

template <void (VDSDKCoreAMSGHandler::*action)(const VDNotification&)>
VDAMSGHandler::ActionBlock block() {
    return [](VDAMSGHandler& handler, const VDNotification& note) {
        (static_cast<VDSDKCoreAMSGHandler&>(handler).*action)(note);
    };
}

} // namespace

std::shared_ptr<VDSDKCoreAMSGHandler> VDSDKCoreAMSGHandler::create() {
    return std::make_shared<VDSDKCoreAMSGHandler>(Private{});
}

const VDAMSGHandler::ActionBlockDictionary& VDSDKCoreAMSGHandler::actionBlockDictionary() const {
    static const ActionBlockDictionary actions = {
        {"loadAdURL", block<&VDSDKCoreAMSGHandler::didReceiveLoadAdURLAction>()},
        {"loadAd", block<&VDSDKCoreAMSGHandler::didReceiveLoadAdAction>()},
        {"invalidRequest", block<&VDSDKCoreAMSGHandler::didReceiveInvalidRequestAction>()},
        {"loadSdkConstants", block<&VDSDKCoreAMSGHandler::didReceiveLoadSDKConstantsAction>()},
        {"requestReload", block<&VDSDKCoreAMSGHandler::didReceiveRequestReloadAction>()},
    };
    return actions;
}

void VDSDKCoreAMSGHandler::tellDelegate(
    std::function<void(VDSDKCoreAMSGHandlerDelegate&, VDSDKCoreAMSGHandler&)> call) {
    base::mainQueue().async([weakSelf = weak_from_this(), call = std::move(call)] {
        auto self = weakSelf.lock();
        if (!self)
            return;
        if (auto delegate = self->delegate())
            call(*delegate, *self);
    });
}

void VDSDKCoreAMSGHandler::didReceiveLoadAdURLAction(const VDNotification& note) {
    tellDelegate([requestID = requestIDOf(note), parameters = note.parametersDictionary()](
                     VDSDKCoreAMSGHandlerDelegate& delegate, VDSDKCoreAMSGHandler& handler) {
        delegate.SDKCoreAMSGHandlerLoadAdURLWithRequestIDParameters(handler, requestID, parameters);
    });
}

void VDSDKCoreAMSGHandler::didReceiveLoadAdAction(const VDNotification& note) {
    base::Value::Dictionary fetchedAd;
    auto found = note.parameters().find(fetchedAdKey);
    if (found != note.parameters().end()) {
        if (auto decoded = vd_decodedJSONObjectError(found->second)) {
            if (auto* dictionary = decoded->dictionary())
                fetchedAd = std::move(*dictionary);
        }
    }
    tellDelegate([requestID = requestIDOf(note), parameters = std::move(fetchedAd)](
                     VDSDKCoreAMSGHandlerDelegate& delegate, VDSDKCoreAMSGHandler& handler) {
        delegate.SDKCoreAMSGHandlerLoadAdWithRequestIDParameters(handler, requestID, parameters);
    });
}

void VDSDKCoreAMSGHandler::didReceiveInvalidRequestAction(const VDNotification& note) {
    tellDelegate([requestID = requestIDOf(note), parameters = note.parametersDictionary()](
                     VDSDKCoreAMSGHandlerDelegate& delegate, VDSDKCoreAMSGHandler& handler) {
        delegate.SDKCoreAMSGHandlerDidReceiveInvalidAdWithRequestIDParameters(handler, requestID,
                                                                              parameters);
    });
}

void VDSDKCoreAMSGHandler::didReceiveLoadSDKConstantsAction(const VDNotification& note) {
    tellDelegate([constants = note.parametersDictionary()](VDSDKCoreAMSGHandlerDelegate& delegate,
                                                           VDSDKCoreAMSGHandler& handler) {
        delegate.SDKCoreAMSGHandlerDidLoadSDKConstants(handler, constants);
    });
}

void VDSDKCoreAMSGHandler::didReceiveRequestReloadAction(const VDNotification&) {
    tellDelegate([](VDSDKCoreAMSGHandlerDelegate& delegate, VDSDKCoreAMSGHandler& handler) {
        delegate.SDKCoreAMSGHandlerDidReceiveSDKCoreUpdateNotification(handler);
    });
}
