#include "ads/webview/VDSDKCoreAMSGHandler.h"

#include "ads/foundation/VDJSONUtilities.h"
#include "ads/foundation/VDURLRequestUtilities.h"
#include "ads/webview/VDAMSGParameters.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/JSON.h"
#include "platform/base/RunLoop.h"

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

// Main thread only.
VDSDKCoreAMSGHandler::AdFetch& installedAdFetch() {
    static VDSDKCoreAMSGHandler::AdFetch fetch;
    return fetch;
}

} // namespace

void VDSDKCoreAMSGHandler::installAdFetch(AdFetch fetch) {
    base::assertMainThread();
    installedAdFetch() = std::move(fetch);
}

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
        {fetchAdMessage, block<&VDSDKCoreAMSGHandler::didReceiveFetchAdAction>()},
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

std::string VDSDKCoreAMSGHandler::fetchedAdCommand(const std::string& requestID,
                                                   const std::optional<FetchedAd>& ad) {
    base::Value value;
    if (ad) {
        base::Value::Dictionary dictionary{{"ad_html", base::Value(ad->HTML)},
                                           {"headers", base::Value(ad->headers)}};
        if (ad->baseURL)
            dictionary["ad_base_url"] = base::Value(*ad->baseURL);
        value = base::Value(std::move(dictionary));
    }
    return "VDMA_receiveFetchedAd(" +
           base::toJSON(base::Value(requestID), false, true).valueOr("\"\"") + "," +
           base::toJSON(value, false, true).valueOr("null") + ");";
}

void VDSDKCoreAMSGHandler::didReceiveFetchAdAction(const VDNotification& note) {
    auto requestID = VDAMSGParameters::string(note, requestIDKey);
    auto url = VDAMSGParameters::webURL(note, "url");
    if (!requestID || requestID->empty() || !url)
        return;
    std::optional<base::Data> body;
    if (auto data = VDAMSGParameters::string(note, "data"))
        body = base::Data(data->data(), data->size());
    auto request = vd_requestForURLDataHeadersType(url, body, std::nullopt,
                                                   VDAMSGParameters::string(note, "content_type"));
    const auto& fetch = installedAdFetch();
    if (!request || !fetch) {
        tellPage(*requestID, std::nullopt);
        return;
    }
    // A fetch the page asks again for the same identifier replaces the earlier one.
    auto entry = std::make_shared<Fetch>();
    fetches_[*requestID] = entry;
    entry->fetch =
        fetch(std::move(*request), [weakSelf = weak_from_this(), id = *requestID,
                                    weakEntry = std::weak_ptr(entry)](std::optional<FetchedAd> ad) {
            auto self = weakSelf.lock();
            auto entry = weakEntry.lock();
            if (self && entry)
                self->didFinishFetch(id, entry, ad);
        });
}

void VDSDKCoreAMSGHandler::didFinishFetch(const std::string& requestID,
                                          const std::shared_ptr<Fetch>& entry,
                                          const std::optional<FetchedAd>& ad) {
    auto found = fetches_.find(requestID);
    if (found == fetches_.end() || found->second != entry)
        return;
    // Let go after this turn: the fetch may still be on the stack that told us.
    base::releaseOnMainThread(std::move(found->second));
    fetches_.erase(found);
    tellPage(requestID, ad);
}

void VDSDKCoreAMSGHandler::tellPage(const std::string& requestID,
                                    const std::optional<FetchedAd>& ad) {
    if (pageCommandSink_)
        pageCommandSink_(fetchedAdCommand(requestID, ad));
}
