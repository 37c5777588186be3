#pragma once

#include <string>
#include <string_view>

// The text percent-escaped so that it can stand as one URL query parameter: every byte that may
// not stand in a URL, and each of "!*'();:@&=+$,/?%#[]", becomes "%XX".
std::string vd_stringByEscapingAsURLParameter(std::string_view text);

// The text without one trailing "/" (unchanged when it has none).
std::string vd_stripTrailingSlash(std::string_view text);

// Whether the two URL strings are equal once one trailing "/" is removed from each.
bool vd_isEquivalentToURLString(std::string_view text, std::string_view other);
