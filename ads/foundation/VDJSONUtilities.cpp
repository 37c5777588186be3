#include "ads/foundation/VDJSONUtilities.h"

#include "ads/foundation/VDInternalErrors.h"
#include "platform/base/JSON.h"
#include "platform/base/Strings.h"

namespace {

bool isJSONSafeValue(const base::Value& value) {
    return base::toJSON(base::Value(base::Value::Dictionary{{"key", value}})).ok();
}

// A description can carry bytes of a string that is not UTF-8; JSON cannot. Each byte that
// does not start a well-formed character becomes U+FFFD.
std::string withValidUTF8(const std::string& text) {
    if (base::isValidUTF8(text))
        return text;
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        auto lead = static_cast<unsigned char>(text[at]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (at + length <= text.size() &&
            base::isValidUTF8(std::string_view(text).substr(at, length))) {
            out.append(text, at, length);
            at += length;
        } else {
            out += "\xEF\xBF\xBD";
            at += 1;
        }
    }
    return out;
}

} // namespace

std::optional<base::Value> vd_decodedJSONObjectError(std::string_view text, base::Error* error) {
    base::JSONReadOptions options;
    options.allowFragments = true;
    auto result = base::parseJSON(text, options);
    if (!result) {
        if (error)
            *error = result.error();
        return std::nullopt;
    }
    return std::move(result).value();
}

std::optional<std::string> vd_JSONStringPrettyError(const base::Value::Dictionary& dictionary,
                                                    bool pretty, base::Error* error) {
    auto result = base::toJSON(base::Value(dictionary), pretty);
    if (!result) {
        if (error)
            *error = vd_errorWithCodeDescription(VDInternalErrorInternal, "Invalid JSON object.");
        return std::nullopt;
    }
    return std::move(result).value();
}

base::Value::Dictionary vd_JSONSafeDictionary(const base::Value::Dictionary& dictionary) {
    base::Value::Dictionary safe;
    for (const auto& [key, value] : dictionary) {
        base::Value safeValue = value;
        if (const auto* nested = value.dictionary()) {
            auto safeNested = vd_JSONSafeDictionary(*nested);
            if (safeNested != *nested)
                safeValue = base::Value(std::move(safeNested));
        } else if (!isJSONSafeValue(value)) {
            safeValue = base::Value(withValidUTF8(value.description()));
        }
        // A key that is not UTF-8 gets the same repair; a well-formed key it would land on
        // keeps its own value.
        safe.emplace(withValidUTF8(key), std::move(safeValue));
    }
    return safe;
}
