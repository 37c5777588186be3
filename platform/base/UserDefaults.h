#pragma once

#include "platform/base/Data.h"
#include "platform/base/Value.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace base {

// The application's preferences: a property list file in the app home's Library/Preferences
// named after the bundle identifier. Lookups go through three domains, first match wins: the
// application's own (persisted), the global one (the user's languages under "AppleLanguages",
// from the environment) and the registration one (registerDefaults, never persisted).
//
// Changes are written together at the end of the current turn of the main run loop;
// synchronize() writes at once, and so does the object going away. Every method is
// thread-safe.
class UserDefaults : public std::enable_shared_from_this<UserDefaults> {
    struct Private {};

public:
    static constexpr const char* languagesKey = "AppleLanguages";

    // Preferences kept in `file`, read now when it exists. `globalDomain` answers keys the
    // file lacks.
    static std::shared_ptr<UserDefaults> create(std::filesystem::path file,
                                                Value::Dictionary globalDomain);
    // The process's preferences: made on first use from the app home, the bundle identifier
    // and the environment's languages. Hold the pointer rather than a reference: tests swap
    // the object.
    static std::shared_ptr<UserDefaults> standard();
    // Installs the process's preferences and returns the ones they replace; nullptr makes
    // standard() build a fresh object on its next call.
    static std::shared_ptr<UserDefaults> install(std::shared_ptr<UserDefaults> defaults);

    // The global domain the environment gives: {"AppleLanguages": [...]}.
    static Value::Dictionary environmentGlobalDomain();
    // The user's languages as language tags, most preferred first, from $LANGUAGE, else the
    // first of $LC_ALL, $LC_MESSAGES and $LANG that is set: "fr_FR.UTF-8" gives
    // ["fr-FR", "en"]. English closes the list when it is not in it; "C" and unset give ["en"].
    static Value::Array languagesFromEnvironment();

    UserDefaults(Private, std::filesystem::path file, Value::Dictionary globalDomain);
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    const std::filesystem::path& filePath() const { return file_; }

    // The value from the first domain that has the key; null when none has.
    Value objectForKey(std::string_view key) const;
    // Stores the value in the application domain; a null value removes the key. A value that
    // a property list cannot hold (a null inside an array or dictionary) is refused: nothing
    // changes and the answer is false.
    bool setObject(std::string_view key, Value value);
    void removeObjectForKey(std::string_view key);

    // A string as it is, a number as its description; nullopt for anything else.
    std::optional<std::string> stringForKey(std::string_view key) const;
    // Numbers convert; strings are read for a leading number ("12" → 12, "2.5" → 2.5), and
    // for booleans "YES", "true" and non-zero numbers read true. Anything else, and a missing
    // key, reads 0 / false.
    std::int64_t integerForKey(std::string_view key) const;
    bool boolForKey(std::string_view key) const;
    double doubleForKey(std::string_view key) const;
    std::optional<Value::Array> arrayForKey(std::string_view key) const;
    std::optional<Value::Dictionary> dictionaryForKey(std::string_view key) const;
    std::optional<Data> dataForKey(std::string_view key) const;

    void setInteger(std::string_view key, std::int64_t value) { setObject(key, Value(value)); }
    void setBool(std::string_view key, bool value) { setObject(key, Value(value)); }
    void setDouble(std::string_view key, double value) { setObject(key, Value(value)); }

    // Adds to the registration domain: the answers for keys no other domain has. Later
    // registrations replace earlier ones key by key. Entries that a property list cannot
    // hold are skipped.
    void registerDefaults(const Value::Dictionary& defaults);
    // Every key of every domain with the value objectForKey would give.
    Value::Dictionary dictionaryRepresentation() const;
    // Writes pending changes now. False when the file could not be written (the changes stay
    // pending and are tried again on the next change or synchronize()).
    bool synchronize();

private:
    void load();
    void markDirty();
    bool writeIfDirty();

    const std::filesystem::path file_;
    mutable std::mutex mutex_;
    Value::Dictionary persistent_;
    Value::Dictionary global_;
    Value::Dictionary registration_;
    bool dirty_ = false;
    // Set while a write is waiting on the main run loop; cleared when it runs or is dropped.
    std::shared_ptr<std::atomic<bool>> writeScheduled_ = std::make_shared<std::atomic<bool>>(false);
    // Serialises writes so that a later snapshot never lands before an earlier one.
    std::mutex writeMutex_;
};

} // namespace base
