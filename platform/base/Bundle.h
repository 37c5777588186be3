#pragma once

#include "platform/base/Result.h"
#include "platform/base/Value.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace base {

// Thrown where the program cannot go on without a resource: a script it runs in every page
// would otherwise be left out without a word. The message names the file and the folder.
class MissingResourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The application's resources folder and its information dictionary (name, version,
// identifier). The main bundle's folder is $BROWSER_RESOURCES when set, else the source tree's
// resources/ folder. A bundle does not change once made, so it is safe to share between threads.
class Bundle {
public:
    static constexpr const char* identifierKey = "CFBundleIdentifier";
    static constexpr const char* nameKey = "CFBundleName";
    static constexpr const char* shortVersionKey = "CFBundleShortVersionString";
    static constexpr const char* versionKey = "CFBundleVersion";
    static constexpr const char* defaultIdentifier = "org.tabbrowser.Browser";

    // Reads <resources>/Info.plist when it is there. The four keys above always have a value:
    // what the file lacks comes from built-in defaults.
    explicit Bundle(std::filesystem::path resourcesDirectory);
    // A bundle with the given information dictionary instead of the folder's Info.plist
    // (defaults still fill the four keys).
    Bundle(std::filesystem::path resourcesDirectory, Value::Dictionary infoDictionary);

    static Bundle& main();
    // Installs a main bundle for the whole process and returns the one it replaces; nullptr
    // goes back to the default one. References from main() taken before do not follow.
    static std::shared_ptr<Bundle> install(std::shared_ptr<Bundle> bundle);
    // The resources folder the environment and the build name.
    static std::filesystem::path defaultResourcesDirectory();

    const std::filesystem::path& resourcePath() const { return resources_; }

    // <resources>/<name>.<type> (just <name> when the type is empty) when it exists, file or
    // folder; nullopt otherwise. Names that would leave the resources folder find nothing.
    std::optional<std::filesystem::path> pathForResource(std::string_view name,
                                                         std::string_view type) const;

    // The text of <resources>/<name>.<type> (scripts, pages), or an error naming what is
    // missing or unreadable.
    Result<std::string> textOfResource(std::string_view name, std::string_view type) const;
    // The same for a resource the program cannot do without; throws MissingResourceError with
    // that error's description when it is missing or unreadable.
    std::string requiredTextOfResource(std::string_view name, std::string_view type) const;

    // A dictionary value.
    const Value& infoDictionary() const { return info_; }
    // The entry, or null when absent.
    const Value& objectForInfoDictionaryKey(std::string_view key) const { return info_[key]; }
    std::string bundleIdentifier() const;

private:
    std::filesystem::path resources_;
    Value info_;
};

} // namespace base
