#pragma once

#include "platform/base/Error.h"

#include <string>

namespace net {

// URLErrorDomain codes the loader reports beyond those base::URLErrorCode lists.
inline constexpr long URLErrorResourceUnavailable = -1008;
inline constexpr long URLErrorFileDoesNotExist = -1100;

// The platform's wording for a URLErrorDomain code.
std::string URLErrorDescription(long code);

// An error of URLErrorDomain with the description of its code (unless one is given) and the
// failing URL under base::Error::failingURLStringKey.
base::Error makeURLError(long code, const std::string& failingURLString,
                         std::string description = {});

} // namespace net
