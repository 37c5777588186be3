#pragma once

#include <string>
#include <string_view>

// The address a stored or typed text opens, by the rule of the address field: surrounding
// white space goes, and an address that is not already http or https (any letter case) gets
// "http://" in front, so "host.tld/page" opens "http://host.tld/page". Text that makes no
// address even then is returned trimmed and otherwise as it was, for the browser screen to
// deal with as it does with any other address it cannot load.
std::string normalizedAddress(std::string_view text);
