// An ad response as the fetcher reads it: the first line is the HTTP status, then header lines
// "Name: value" up to an empty line, then the body (its charset is the Content-Type's). The
// fetcher reads the x-vdma- headers into the ad, decides the type and ends the fetch exactly as
// the connection would end it. Nothing crashes; the delegate is told exactly once; an ad is
// fetched only with a type and a body; tracking URLs are only ever http or https.
#include "ads/request/VDAd.h"
#include "ads/request/VDAdFetcher.h"
#include "ads/request/VDURLConnection.h"
#include "fuzz/FuzzInput.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Strings.h"

#include <charconv>

namespace {

class CountingDelegate : public VDAdFetcherDelegate {
public:
    int fetched = 0;
    int failed = 0;
    void adFetcherDidFetchAd(VDAdFetcher&, const std::shared_ptr<VDAd>&) override { ++fetched; }
    void adFetcherDidFailToFetchAdWithErrorResponseCode(VDAdFetcher&, const std::shared_ptr<VDAd>&,
                                                        const base::Error&, long) override {
        ++failed;
    }
};

bool onlyWebURLs(const VDAd::URLSet& urls) {
    for (const auto& url : urls)
        if (url.scheme() != "http" && url.scheme() != "https")
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::useScratchDefaults(); // the fetcher stores "/redodi/ads/use_https"

    auto [statusLine, rest] = fuzz::firstLine(fuzz::text(data, size));
    int status = 200;
    std::from_chars(statusLine.data(), statusLine.data() + statusLine.size(), status);
    net::HTTPHeaderFields headers;
    while (!rest.empty()) {
        auto [line, next] = fuzz::firstLine(rest);
        rest = next;
        if (line.empty())
            break;
        auto colon = line.find(':');
        if (colon != std::string_view::npos)
            headers.append(line.substr(0, colon), base::trimSpacesAndTabs(line.substr(colon + 1)));
    }
    const auto url = base::URL::parse("https://ads.example.test/ad?slotname=fuzz");
    const net::HTTPURLResponse response(url, status, headers);

    auto delegate = std::make_shared<CountingDelegate>();
    auto fetcher = VDAdFetcher::create();
    auto ad = VDAd::create();
    auto connection = VDURLConnection::create();
    // A fetch whose connection this input plays: its response, then its end.
    FUZZ_CHECK(fetcher->fetchRequestURL(std::nullopt, delegate, std::nullopt, ad).ok());
    fetcher->connectionLoadShouldUseCachedResponse(*connection, response);
    if (status >= 200 && status <= 299)
        fetcher->connectionLoadDidFinishBaseURL(
            *connection, VDURLConnection::decodedBody(base::Data::fromString(rest), response), url);
    else
        fetcher->connectionLoadDidFailHTTPStatusCode(*connection, std::nullopt, status);
    base::RunLoop::main().runUntilIdle();

    FUZZ_CHECK(delegate->fetched + delegate->failed == 1);
    if (delegate->fetched)
        FUZZ_CHECK(ad->responseType() != VDAd::ResponseTypeNone && ad->adHTML() &&
                   !ad->adHTML()->empty());
    FUZZ_CHECK(onlyWebURLs(ad->clickURLs()) && onlyWebURLs(ad->impressionURLs()) &&
               onlyWebURLs(ad->manualImpressionURLs()));
    return 0;
}
