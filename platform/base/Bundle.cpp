#include "platform/base/Bundle.h"

#include "platform/base/AppHome.h"
#include "platform/base/Log.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/PropertyList.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <mutex>

#ifndef BROWSER_RESOURCES_DIR
#define BROWSER_RESOURCES_DIR "resources"
#endif

namespace base {

namespace fs = std::filesystem;

namespace {

ProcessWide<Bundle>& processBundle() {
    static ProcessWide<Bundle> bundle(
        [] { return std::make_shared<Bundle>(Bundle::defaultResourcesDirectory()); });
    return bundle;
}

// Identifiers name folders and files in the app home: letters, digits, '-' and '.' only.
bool isUsableIdentifier(const std::string& identifier) {
    if (identifier.empty() || identifier == "." || identifier == "..")
        return false;
    for (char c : identifier)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.'))
            return false;
    return true;
}

void fillDefaults(Value::Dictionary& info) {
    if (auto found = info.find(Bundle::identifierKey);
        found != info.end() && found->second.isString() &&
        !isUsableIdentifier(*found->second.string())) {
        log("Bundle: unusable identifier \"" + *found->second.string() + "\"; using " +
            Bundle::defaultIdentifier);
        info.erase(found);
    }
    auto fill = [&](const char* key, const char* fallback) {
        auto found = info.find(key);
        if (found == info.end() || !found->second.isString() || found->second.string()->empty())
            info[key] = Value(fallback);
    };
    fill(Bundle::identifierKey, Bundle::defaultIdentifier);
    fill(Bundle::nameKey, "Browser");
    fill(Bundle::shortVersionKey, "1.0");
    fill(Bundle::versionKey, "1");
}

Value::Dictionary readInfoDictionary(const fs::path& resources) {
    const fs::path file = resources / "Info.plist";
    if (!fileExists(file))
        return {};
    auto bytes = readFile(file);
    if (!bytes) {
        log("Bundle: " + bytes.error().localizedDescription() + "; using the built-in information");
        return {};
    }
    auto plist = readPlist(*bytes);
    if (!plist || !plist->isDictionary()) {
        log("Bundle: " + file.string() +
            " is not a property list dictionary; using the built-in information");
        return {};
    }
    return *plist->dictionary();
}

// Whether a resource name stays inside the resources folder.
bool isContained(const fs::path& relative) {
    if (relative.empty() || relative.is_absolute())
        return false;
    for (const auto& part : relative)
        if (part == "..")
            return false;
    return true;
}

} // namespace

Bundle::Bundle(fs::path resourcesDirectory)
    : Bundle(resourcesDirectory, readInfoDictionary(resourcesDirectory)) {}

Bundle::Bundle(fs::path resourcesDirectory, Value::Dictionary infoDictionary)
    : resources_(std::move(resourcesDirectory)) {
    fillDefaults(infoDictionary);
    info_ = Value(std::move(infoDictionary));
}

fs::path Bundle::defaultResourcesDirectory() {
    if (const char* overridden = std::getenv("BROWSER_RESOURCES"); overridden && *overridden)
        return overridden;
    return BROWSER_RESOURCES_DIR;
}

Bundle& Bundle::main() {
    return *processBundle().get();
}

std::shared_ptr<Bundle> Bundle::install(std::shared_ptr<Bundle> bundle) {
    return processBundle().install(std::move(bundle));
}

std::optional<fs::path> Bundle::pathForResource(std::string_view name,
                                                std::string_view type) const {
    if (name.empty())
        return std::nullopt;
    std::string fileName(name);
    if (!type.empty()) {
        fileName += '.';
        fileName += type;
    }
    const fs::path relative(fileName);
    if (!isContained(relative))
        return std::nullopt;
    fs::path candidate = resources_ / relative;
    if (!fileExists(candidate))
        return std::nullopt;
    return candidate;
}

Result<std::string> Bundle::textOfResource(std::string_view name, std::string_view type) const {
    auto path = pathForResource(name, type);
    if (!path)
        return Error::make(POSIXErrorDomain, ENOENT,
                           "The resource " + std::string(name) +
                               (type.empty() ? "" : "." + std::string(type)) + " is missing from " +
                               resources_.string() + ".");
    auto data = readFile(*path);
    if (!data)
        return data.error();
    return data->toString();
}

std::string Bundle::requiredTextOfResource(std::string_view name, std::string_view type) const {
    auto text = textOfResource(name, type);
    if (!text)
        throw MissingResourceError(text.error().localizedDescription());
    return std::move(text).value();
}

std::string Bundle::bundleIdentifier() const {
    return *info_[identifierKey].string();
}

} // namespace base
