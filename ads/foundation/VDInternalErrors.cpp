#include "ads/foundation/VDInternalErrors.h"

base::Error vd_errorWithDomainCodeDescription(std::string domain, long code,
                                              std::optional<std::string> description) {
    base::Error error{std::move(domain), code, {}};
    if (description) {
        error.userInfo[base::Error::localizedDescriptionKey] = base::Value(*description);
        error.userInfo[base::Error::localizedFailureReasonKey] =
            base::Value(std::move(*description));
    }
    return error;
}

base::Error vd_errorWithCodeDescription(long code, std::optional<std::string> description) {
    return vd_errorWithDomainCodeDescription(VDInternalErrorDomain, code, std::move(description));
}

std::optional<std::string> vd_localizedDescriptionForErrorCode(long code) {
    switch (code) {
    case VDInternalErrorFileUnreadable:
        return "File could not be read.";
    case VDInternalErrorInternal:
        return "Internal error.";
    case VDInternalErrorInvalidArgument:
        return "Invalid argument.";
    default:
        return std::nullopt;
    }
}
