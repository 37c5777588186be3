// Query strings of the URLs ads carry (clicks, landing pages): the first line is a URL, the
// second a key and the third a value. Reading never crashes; a pair appended to a URL gives a URL
// again, keeps its fragment and its "&adurl=" tail (a landing page in the query) at the end, and
// reads back under its escaped key when the URL did not have that key already.
#include "ads/foundation/VDURLQuery.h"
#include "ads/foundation/VDURLStrings.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto [urlText, rest] = fuzz::firstLine(fuzz::text(data, size));
    auto [key, more] = fuzz::firstLine(rest);
    auto value = fuzz::firstLine(more).first;
    auto url = base::URL::parse(urlText);
    if (!url)
        return 0;
    for (bool lowercase : {false, true})
        (void)vd_dictionaryFromQueryParametersAndConvertKeysToLowercase(*url, lowercase);
    (void)vd_impressionTicket(*url);
    (void)vd_isHostEqualToString(*url, key, false);
    const std::string withoutFragment = vd_absoluteStringWithoutFragmentComponent(*url);
    FUZZ_CHECK(url->absoluteString().starts_with(withoutFragment));

    const std::string escapedKey = vd_stringByEscapingAsURLParameter(key);
    const bool hadKey = vd_parameterValueForKey(*url, escapedKey).has_value();
    auto appended = vd_appendQueryValueForKey(*url, value, key);
    FUZZ_CHECK(appended.has_value());
    FUZZ_CHECK(appended->fragment() == url->fragment());
    // The landing page: "&adurl=" and what follows it in the query.
    const std::string& before = url->absoluteString();
    const std::string& after = appended->absoluteString();
    std::size_t tail = std::string::npos;
    if (auto query = withoutFragment.find('?'); query != std::string::npos)
        tail = withoutFragment.find("&adurl=", query);
    if (tail != std::string::npos)
        FUZZ_CHECK(after.ends_with(before.substr(tail)));
    const std::string escapedValue = vd_stringByEscapingAsURLParameter(value);
    if (!hadKey && !escapedKey.empty() && !escapedValue.empty() && tail == std::string::npos)
        FUZZ_CHECK(vd_parameterValueForKey(*appended, escapedKey) == escapedValue);
    return 0;
}
