#include "chorus/core/CHError.h"

base::Error CHError::make(Code code, std::string description, base::Value::Dictionary userInfo) {
    base::Error error = base::Error::make(domain, code, std::move(description));
    for (auto& [key, value] : userInfo)
        error.userInfo[key] = std::move(value);
    return error;
}
