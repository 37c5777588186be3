#include "platform/store/StoreError.h"

namespace store {

base::Error storeError(StoreErrorCode code, std::string description,
                       const std::optional<std::filesystem::path>& path,
                       std::optional<int> sqliteCode) {
    base::Error error = base::Error::make(base::CocoaErrorDomain, code, std::move(description));
    if (path)
        error.userInfo[FilePathErrorKey] = base::Value(path->string());
    if (sqliteCode)
        error.userInfo[SQLiteErrorCodeKey] = base::Value(*sqliteCode);
    return error;
}

base::Error storeErrorWithContext(const base::Error& underlying, StoreErrorCode code,
                                  const std::string& action) {
    base::Error error = underlying;
    error.code = code;
    error.userInfo[base::Error::localizedDescriptionKey] =
        base::Value(action + ": " + underlying.localizedDescription());
    return error;
}

} // namespace store
