#pragma once

#include "platform/base/Error.h"

#include <optional>
#include <string>

// The ads client's private errors, which its parts report to one another (never to the host):
// argument and file problems.
inline constexpr const char* VDInternalErrorDomain = "com.redodi.ads.private";

enum VDInternalErrorCode : long {
    VDInternalErrorFileUnreadable = 1, // "File could not be read."
    VDInternalErrorInternal = 2,       // "Internal error."
    VDInternalErrorInvalidArgument = 3 // "Invalid argument."
};

// An error whose userInfo holds the description as both its description and its failure
// reason; without a description, no userInfo.
base::Error vd_errorWithDomainCodeDescription(std::string domain, long code,
                                              std::optional<std::string> description);
// The same in VDInternalErrorDomain.
base::Error vd_errorWithCodeDescription(long code, std::optional<std::string> description);
// The standard description of a private code; nullopt for codes other than 1 to 3.
std::optional<std::string> vd_localizedDescriptionForErrorCode(long code);
