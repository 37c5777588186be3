#include "ads/request/VDAdFetcher.h"

#include "ads/foundation/VDApplication.h"
#include "ads/foundation/VDGeometry.h"
#include "ads/foundation/VDJSONUtilities.h"
#include "ads/foundation/VDLogger.h"
#include "ads/foundation/VDNumberStrings.h"
#include "ads/foundation/VDTiming.h"
#include "ads/foundation/VDURLRequestUtilities.h"
#include "ads/presentation/VDSwipeToViewControllerConfigurations.h"
#include "ads/request/VDRequest.h"
#include "ads/request/VDRequestError.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Strings.h"
#include "platform/base/UserDefaults.h"
#include "platform/net/URLError.h"

#include <cstdio>

namespace {

bool isHTTPURL(const base::URL& url) {
    return url.scheme() == "http" || url.scheme() == "https";
}

// A header's text read as the platform reads a boolean ("1", "true", "yes").
bool isTrue(const std::optional<std::string>& value) {
    return value && base::Value(*value).boolValue();
}

// Every http or https URL of the header's text (all its lines), split at spaces and tabs.
std::vector<base::URL> URLList(const net::HTTPHeaderFields& headers, std::string_view name) {
    std::vector<base::URL> urls;
    for (const auto& line : headers.values(name)) {
        for (const auto& piece : base::splitByCharacters(line, " \t")) {
            if (piece.empty())
                continue;
            if (auto url = base::URL::parse(piece); url && isHTTPURL(*url))
                urls.push_back(std::move(*url));
        }
    }
    return urls;
}

std::optional<base::Value::Dictionary> JSONDictionary(const std::optional<std::string>& text) {
    if (!text)
        return std::nullopt;
    auto decoded = vd_decodedJSONObjectError(*text);
    if (!decoded || !decoded->dictionary())
        return std::nullopt;
    return *decoded->dictionary();
}

std::string timingCategory(const void* fetcher) {
    char address[32];
    std::snprintf(address, sizeof address, "%p", fetcher);
    return std::string("VDAdFetcher (") + address + ")";
}

} // namespace

std::shared_ptr<VDAdFetcher> VDAdFetcher::create() {
    return std::make_shared<VDAdFetcher>(Private{});
}

VDAdFetcher::VDAdFetcher(Private)
    : timer_(VDTiming::create(timingCategory(this)))
    , adConnection_(VDURLConnection::create()) {}

VDAdFetcher::~VDAdFetcher() {
    adConnection_->cancel();
}

base::Result<void>
VDAdFetcher::fetchRequestURL(const net::URLRequest& request,
                             const std::shared_ptr<VDAdFetcherDelegate>& delegate) {
    return fetchRequestURL(request, delegate, std::nullopt, VDAd::create());
}

base::Result<void>
VDAdFetcher::fetchRemainingContentForAd(const std::shared_ptr<VDAd>& ad,
                                        const std::optional<net::HTTPHeaderFields>& headers,
                                        const std::shared_ptr<VDAdFetcherDelegate>& delegate,
                                        std::shared_ptr<const VDRequest> request) {
    request_ = std::move(request);
    std::optional<net::URLRequest> load;
    if (!ad->adHTML() || ad->adHTML()->empty())
        load =
            vd_requestForURLDataHeadersType(ad->adURL(), std::nullopt, std::nullopt, std::nullopt);
    return fetchRequestURL(load, delegate, headers, ad);
}

base::Result<void>
VDAdFetcher::fetchRequestURL(const std::optional<net::URLRequest>& request,
                             const std::shared_ptr<VDAdFetcherDelegate>& delegate,
                             const std::optional<net::HTTPHeaderFields>& headers,
                             const std::shared_ptr<VDAd>& ad) {
    base::assertMainThread();
    if (hasStartedFetch_)
        return VDRequestError(VDRequestError::kVDErrorNetworkError, nullptr, 0,
                              "Could not start fetch. This object has already been used to "
                              "fetch.");
    auto self = shared_from_this();
    hasStartedFetch_ = true;
    timer_->start();
    delegate_ = delegate;
    ad_ = ad ? ad : VDAd::create();

    std::optional<base::Error> connectionError;
    if (request) {
        auto started = adConnection_->startWithRequestURL(*request, self);
        if (!started) {
            connectionError = started.error();
            adConnectionHasCompleted_ = true;
        }
    } else {
        adConnectionHasCompleted_ = true;
    }

    ad_->setResponseType(VDAd::ResponseTypeHTML);
    if (headers)
        processHTTPHeaders(*headers);

    if (connectionError) {
        resourceFailedToLoadWithError(*connectionError, 0);
        return VDRequestError(VDRequestError::kVDErrorNetworkError, nullptr, 0,
                              "Failed to start ad connection.");
    }
    if (adConnectionHasCompleted_) {
        base::RunLoop::main().dispatch([weakSelf = weak_from_this()] {
            if (auto fetcher = weakSelf.lock())
                fetcher->completedURLConnection();
        });
    }
    return {};
}

void VDAdFetcher::cancel() {
    delegate_.reset();
    adConnection_->cancel();
    adConnectionHasCompleted_ = true;
}

unsigned VDAdFetcher::adResponseTypeFromHeaders(const net::HTTPHeaderFields& headers,
                                                std::optional<base::Error>* requestError) {
    const std::string contentType = base::lowercaseASCII(
        base::trimSpacesAndTabs(headers.value("content-type").value_or(std::string())));
    const bool isJSON = base::hasPrefix(contentType, "application/json");
    auto typeOrServerError = [&](unsigned type) -> unsigned {
        if (isJSON)
            return type;
        if (requestError)
            *requestError = VDRequestError(VDRequestError::kVDErrorServerError);
        return VDAd::ResponseTypeNone;
    };
    if (isTrue(headers.value("x-vdma-mediation")))
        return typeOrServerError(VDAd::ResponseTypeMediationJSON);
    if (isTrue(headers.value("x-vdma-native")))
        return typeOrServerError(VDAd::ResponseTypeNativeJSON);
    if (isTrue(headers.value("x-vdma-custom-rendering-allowed")))
        return VDAd::ResponseTypeCustomRendering;
    return VDAd::ResponseTypeHTML;
}

// The headers, read in this order (names in any case):
//   x-vdma-click-tracking-urls, x-vdma-tracking-urls, x-vdma-manual-tracking-urls
//       http and https URLs separated by spaces or tabs, added to the click, impression and
//       manual impression URLs;
//   x-vdma-content-url-opted-out     "false" starts content hashing, anything else stops it;
//   x-vdma-activeview                JSON of a dictionary: the active-view configurations
//                                    (none when absent or not such JSON);
//   x-vdma-orientation               "any", "portrait", "landscape": the orientations;
//   x-vdma-refresh-rate              a number of seconds, 0 or more: the reload interval;
//   x-vdma-debug-dialog, x-vdma-ad-size   the debug text and the custom size text (none when
//                                    absent);
//   x-vdma-disable-activation-and-scroll  true turns scrolling off;
//   x-vdma-use-https                 stored as the user default "/redodi/ads/use_https"; when
//                                    absent, that default becomes false unless it has a value;
//   x-vdma-swipe-to-view-controller  JSON of a non-empty dictionary: the swipe configurations.
void VDAdFetcher::processHTTPHeaders(const net::HTTPHeaderFields& headers) {
    auto self = shared_from_this();
    auto merged = ad_->responseHeaders().value_or(net::HTTPHeaderFields());
    for (const auto& [name, value] : headers.combined())
        merged.set(name, value);
    ad_->setResponseHeaders(std::move(merged));

    std::optional<base::Error> typeError;
    const unsigned type = adResponseTypeFromHeaders(headers, &typeError);
    ad_->setResponseType(type);
    if (type == VDAd::ResponseTypeNone && typeError)
        resourceFailedToLoadWithError(*typeError, 0);

    ad_->addClickURLsFromArray(URLList(headers, "x-vdma-click-tracking-urls"));
    ad_->addImpressionURLsFromArray(URLList(headers, "x-vdma-tracking-urls"));
    ad_->addManualImpressionURLsFromArray(URLList(headers, "x-vdma-manual-tracking-urls"));

    if (headers.value("x-vdma-content-url-opted-out") == "false")
        VDApplication::sharedInstance()->startContentHashing();
    else
        VDApplication::sharedInstance()->stopContentHashing();

    ad_->setActiveViewConfigurations(JSONDictionary(headers.value("x-vdma-activeview")));

    if (auto orientation = headers.value("x-vdma-orientation")) {
        if (auto mask = VDInterfaceOrientationMaskFromString(*orientation))
            ad_->setSupportedOrientations(mask);
    }
    if (auto rate = headers.value("x-vdma-refresh-rate")) {
        if (auto seconds = vd_doubleFromStrictString(*rate); seconds && *seconds >= 0)
            ad_->setReloadIntervalFromServer(*seconds);
    }
    ad_->setDebugDialog(headers.value("x-vdma-debug-dialog"));
    ad_->setCustomAdSizeString(headers.value("x-vdma-ad-size"));
    ad_->setScrollEnabled(!isTrue(headers.value("x-vdma-disable-activation-and-scroll")));

    auto defaults = base::UserDefaults::standard();
    if (auto useHTTPS = headers.value("x-vdma-use-https"))
        defaults->setBool(useHTTPSKey, isTrue(useHTTPS));
    else if (defaults->objectForKey(useHTTPSKey).isNull())
        defaults->setBool(useHTTPSKey, false);

    auto swipe = JSONDictionary(headers.value("x-vdma-swipe-to-view-controller"));
    if (swipe && !swipe->empty())
        ad_->setSwipeToViewControllerConfigurations(
            VDSwipeToViewControllerConfigurations::createWithSwipeConfigurations(*swipe));
}

std::optional<base::Error> VDAdFetcher::connectionShouldRedirectToURL(VDURLConnection&,
                                                                      const base::URL& url) {
    // An ad is only ever loaded over HTTP.
    if (isHTTPURL(url))
        return std::nullopt;
    return net::makeURLError(base::URLErrorUnsupportedURL, url.absoluteString());
}

void VDAdFetcher::connectionLoadDidReceiveRedirectResponse(VDURLConnection&,
                                                           const net::HTTPURLResponse& response) {
    if (response.isHTTP())
        processHTTPHeaders(response.allHeaderFields());
}

bool VDAdFetcher::connectionLoadShouldUseCachedResponse(VDURLConnection&,
                                                        const net::HTTPURLResponse& response) {
    if (response.isHTTP())
        processHTTPHeaders(response.allHeaderFields());
    return ad_->responseType() == VDAd::ResponseTypeMediationJSON;
}

void VDAdFetcher::connectionLoadDidReceiveCachedResponse(VDURLConnection&,
                                                         const net::HTTPURLResponse& response) {
    if (response.isHTTP())
        processHTTPHeaders(response.allHeaderFields());
}

void VDAdFetcher::connectionLoadDidFinishBaseURL(VDURLConnection&,
                                                 const std::optional<std::string>& body,
                                                 const std::optional<base::URL>& baseURL) {
    ad_->setAdHTML(body);
    ad_->setAdBaseURL(baseURL);
    adConnectionHasCompleted_ = true;
    completedURLConnection();
}

void VDAdFetcher::connectionLoadDidFailHTTPStatusCode(VDURLConnection&,
                                                      const std::optional<base::Error>& error,
                                                      long statusCode) {
    ad_->setAdHTML(std::nullopt);
    ad_->setAdBaseURL(std::nullopt);
    adConnectionHasCompleted_ = true;
    const bool transportError = error && error->domain == base::URLErrorDomain;
    long code = VDRequestError::kVDErrorNetworkError;
    if (transportError && error->code == base::URLErrorTimedOut) {
        // Whether the server said nothing or kept the answer coming too slowly.
        code = VDRequestError::kVDErrorTimeout;
    } else if (transportError && error->code == base::URLErrorDataLengthExceedsMaximum) {
        code = VDRequestError::kVDErrorReceivedInvalidResponse;
    } else if (statusCode == 400) {
        code = VDRequestError::kVDErrorInvalidRequest;
        VDLogger::sharedInstance()->logPublicMessage(
            "Server rejected ad parameters. Typically this is because the ad unit ID is "
            "incorrect.");
    } else if (statusCode > 400) {
        code = VDRequestError::kVDErrorServerError;
    } else if (statusCode == -1) {
        code = VDRequestError::kVDErrorReceivedInvalidResponse;
    }
    const long HTTPStatus = code == VDRequestError::kVDErrorInvalidRequest ? 0 : statusCode;
    resourceFailedToLoadWithError(VDRequestError(code, request_.get(), HTTPStatus), statusCode);
}

void VDAdFetcher::completedURLConnection() {
    if (!adConnectionHasCompleted_ || hasNotifiedDelegate_)
        return;
    auto self = shared_from_this();
    timer_->end();
    hasNotifiedDelegate_ = true;
    auto delegate = this->delegate();
    if (!delegate)
        return;
    const bool hasType = ad_->responseType() != VDAd::ResponseTypeNone;
    if (hasType && ad_->adHTML() && !ad_->adHTML()->empty()) {
        delegate->adFetcherDidFetchAd(*this, ad_);
        return;
    }
    const long code =
        hasType ? VDRequestError::kVDErrorNoFill : VDRequestError::kVDErrorInternalError;
    delegate->adFetcherDidFailToFetchAdWithErrorResponseCode(
        *this, ad_, VDRequestError(code, request_.get()), 0);
}

void VDAdFetcher::resourceFailedToLoadWithError(const base::Error& error, long responseCode) {
    if (hasNotifiedDelegate_)
        return;
    auto self = shared_from_this();
    hasNotifiedDelegate_ = true;
    timer_->end();
    if (auto delegate = this->delegate())
        delegate->adFetcherDidFailToFetchAdWithErrorResponseCode(*this, ad_, error, responseCode);
    cancel();
}
