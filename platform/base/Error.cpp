#include "platform/base/Error.h"

namespace base {

Error Error::make(std::string domain, long code, std::string description) {
    Error error;
    error.domain = std::move(domain);
    error.code = code;
    if (!description.empty())
        error.userInfo[localizedDescriptionKey] = Value(std::move(description));
    return error;
}

Error Error::cocoa(long code, std::string description, std::string detail) {
    Error error = make(CocoaErrorDomain, code, std::move(description));
    error.userInfo[debugDescriptionKey] = Value(std::move(detail));
    return error;
}

std::string Error::localizedDescription() const {
    auto found = userInfo.find(localizedDescriptionKey);
    if (found != userInfo.end()) {
        if (const auto* text = found->second.string())
            return *text;
    }
    return "The operation couldn't be completed. (" + domain + " error " + std::to_string(code) +
           ".)";
}

namespace {

constexpr const char* underlyingDomainKey = "domain";
constexpr const char* underlyingCodeKey = "code";
constexpr const char* underlyingUserInfoKey = "userInfo";

} // namespace

void Error::setUnderlyingError(const Error& underlying) {
    userInfo[underlyingErrorKey] = Value(Value::Dictionary{
        {underlyingDomainKey, Value(underlying.domain)},
        {underlyingCodeKey, Value(underlying.code)},
        {underlyingUserInfoKey, Value(underlying.userInfo)},
    });
}

std::optional<Error> Error::underlyingError() const {
    auto found = userInfo.find(underlyingErrorKey);
    if (found == userInfo.end())
        return std::nullopt;
    const Value& stored = found->second;
    const std::string* domain = stored[underlyingDomainKey].string();
    const Value::Dictionary* info = stored[underlyingUserInfoKey].dictionary();
    if (!domain || !info || !stored[underlyingCodeKey].isNumber())
        return std::nullopt;
    return Error{*domain, long(stored[underlyingCodeKey].integerValue()), *info};
}

} // namespace base
