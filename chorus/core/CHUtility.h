#pragma once

#include "platform/base/URL.h"

#include <map>
#include <string>
#include <string_view>

// Query strings as the client's server reads and writes them.
class CHUtility {
public:
    using Parameters = std::map<std::string, std::string>;

    CHUtility() = delete;

    // "a=1&b=x%20y" gives {a: "1", b: "x y"}. '+' reads as a space, as forms write it; a piece
    // without "=" is a key with an empty value; empty pieces are skipped; a key given twice
    // keeps its last value. A key or value whose escapes do not decode to UTF-8 is kept as
    // written, so that no parameter is lost.
    static Parameters dictionaryByParsingURLQueryPart(std::string_view query);
    // "a=1&b=x%20y": keys in order, keys and values escaped so that each reads back whole.
    static std::string stringBySerializingQueryParameters(const Parameters& parameters);
    // The parameters of the URL's query, and of its fragment too, where logins put theirs
    // ("#access_token=…"); the fragment's win over the query's.
    static Parameters parametersOfURL(const base::URL& url);
};
