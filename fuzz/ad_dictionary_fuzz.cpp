// The SDK-core page's ad dictionary, as JSON: made into an ad record (and a banner record)
// without a crash; the record's URL sets hold each URL once, and its size is a size the record
// could have been given.
#include "ads/foundation/VDJSONUtilities.h"
#include "ads/request/VDBannerAd.h"
#include "fuzz/FuzzInput.h"

#include <algorithm>
#include <cmath>

namespace {

bool unique(const VDAd::URLSet& urls) {
    for (auto it = urls.begin(); it != urls.end(); ++it) {
        if (std::find(std::next(it), urls.end(), *it) != urls.end())
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto value = vd_decodedJSONObjectError(fuzz::text(data, size));
    if (!value || !value->dictionary())
        return 0;
    auto ad = VDBannerAd::createWithDictionary(*value->dictionary());
    FUZZ_CHECK(unique(ad->clickURLs()) && unique(ad->impressionURLs()) &&
               unique(ad->manualImpressionURLs()));
    FUZZ_CHECK(ad->adHTML().has_value() == ad->adBaseURL().has_value());
    FUZZ_CHECK(!(ad->adHTML() && ad->adURL()));
    const VDAdSize adSize = ad->size();
    FUZZ_CHECK(std::isfinite(adSize.size.width) && std::isfinite(adSize.size.height));
    FUZZ_CHECK(adSize.flags == 0 || adSize.flags == 1);
    FUZZ_CHECK(ad->supportedOrientations() != 0);
    return 0;
}
