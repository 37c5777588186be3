#pragma once

#include "platform/base/Error.h"

#include <filesystem>
#include <optional>
#include <string>

namespace store {

// Store failures are reported in base::CocoaErrorDomain with these codes, so code that logs or
// compares errors sees the same numbers the platform's object store used.
enum StoreErrorCode : long {
    FileReadNoSuchFileError = 260,
    FileReadCorruptFileError = 259,
    // The file is an SQLite database, but not one this store wrote.
    PersistentStoreInvalidTypeError = 134000,
    PersistentStoreSaveError = 134030,
    // A fetch that is not valid for the model, or that the database could not answer.
    PersistentStoreOperationError = 134070,
    PersistentStoreOpenError = 134080,
    // The file was written with a model this one cannot take over without losing data.
    PersistentStoreIncompatibleVersionHashError = 134100,
    MigrationError = 134110,
};

// userInfo keys of store errors.
inline constexpr const char* FilePathErrorKey = "NSFilePath";
// The SQLite (extended) result code behind the failure, as an integer.
inline constexpr const char* SQLiteErrorCodeKey = "SQLiteErrorCode";

base::Error storeError(StoreErrorCode code, std::string description,
                       const std::optional<std::filesystem::path>& path = std::nullopt,
                       std::optional<int> sqliteCode = std::nullopt);

// The same failure under another code, with the description prefixed by what was being done.
base::Error storeErrorWithContext(const base::Error& underlying, StoreErrorCode code,
                                  const std::string& action);

} // namespace store
