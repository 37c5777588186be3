#pragma once

#include "platform/base/Error.h"

#include <string>

namespace net {

// The platform's wording for a URLErrorDomain code.
std::string URLErrorDescription(long code);

// An error of URLErrorDomain with the description of its code (unless one is given) and the
// failing URL under base::Error::failingURLStringKey.
base::Error makeURLError(long code, const std::string& failingURLString,
                         std::string description = {});

} // namespace net
