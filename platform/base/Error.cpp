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

} // namespace base
