#pragma once

#include "platform/base/Error.h"
#include "platform/base/Value.h"

#include <optional>
#include <string>
#include <string_view>

// The value of the JSON text; a bare string or number at the top level is accepted. nullopt,
// and the parser's error in `error` when given, for text that is not JSON.
std::optional<base::Value> vd_decodedJSONObjectError(std::string_view text,
                                                     base::Error* error = nullptr);

// The dictionary as JSON text, pretty-printed or compact (keys sorted). nullopt when it holds
// something JSON cannot carry, with `error` (when given) set to code 2 "Invalid JSON object."
// of the ads client's private error domain.
std::optional<std::string> vd_JSONStringPrettyError(const base::Value::Dictionary& dictionary,
                                                    bool pretty, base::Error* error = nullptr);

// The dictionary with every value made JSON-safe: nested dictionaries are made safe in turn,
// and any other value JSON cannot carry (data, dates, non-finite numbers, text that is not
// UTF-8, arrays holding such values) is replaced by its description. Safe values are kept as
// they are. Keys that are not UTF-8 have each bad byte replaced by U+FFFD.
base::Value::Dictionary vd_JSONSafeDictionary(const base::Value::Dictionary& dictionary);
