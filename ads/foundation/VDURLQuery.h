#pragma once

#include "platform/base/URL.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The ads client's query rules for URLs from its server: pairs are appended in front of an
// "&adurl=" tail (the landing page of a click URL must stay last) and in front of any
// fragment; queries are read by exact key, or as a dictionary.

// The URL with the pairs appended to its query, each key and value escaped as one URL
// parameter; a pair whose value is empty is written as the bare key. nullopt when the result
// is no URL.
std::optional<base::URL>
vd_appendQueryParameters(const base::URL& url,
                         const std::vector<std::pair<std::string, std::string>>& pairs);
// The same with one pair.
std::optional<base::URL> vd_appendQueryValueForKey(const base::URL& url, std::string_view value,
                                                   std::string_view key);

// The raw (still escaped) value of the first "key=value" item of the query whose key is the
// argument exactly; nullopt when there is none (an item with no "=" has no value).
std::optional<std::string> vd_parameterValueForKey(const base::URL& url, std::string_view key);

// The query's "key=value" pieces (cut at "&" and ";") with escapes removed, keys lower-cased
// when asked; a piece without exactly one "=", or whose escapes do not decode to UTF-8, is
// skipped; a later key replaces an earlier one.
std::map<std::string, std::string>
vd_dictionaryFromQueryParametersAndConvertKeysToLowercase(const base::URL& url, bool lowercase);

// The second and third segments of the path joined by "/" ("/a/b/c" gives "b/c"); nullopt for
// a path of fewer than three segments.
std::optional<std::string> vd_impressionTicket(const base::URL& url);

// The absolute string without "#" and the fragment.
std::string vd_absoluteStringWithoutFragmentComponent(const base::URL& url);

bool vd_isHostEqualToString(const base::URL& url, std::string_view host, bool caseSensitive);
bool vd_isSchemeEqualToString(const base::URL& url, std::string_view scheme, bool caseSensitive);
