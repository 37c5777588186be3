#include "platform/base/UserDefaults.h"

#include "platform/base/AppHome.h"
#include "platform/base/Bundle.h"
#include "platform/base/Log.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/PropertyList.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Strings.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

namespace base {

namespace fs = std::filesystem;

namespace {

ProcessWide<UserDefaults>& processDefaults();

// The standard defaults are never destroyed, so changes of the process's last turn are
// written as it exits rather than by a destructor.
void writeStandardDefaultsAtExit() {
    if (auto defaults = processDefaults().current())
        defaults->synchronize();
}

ProcessWide<UserDefaults>& processDefaults() {
    static ProcessWide<UserDefaults> defaults([] {
        static std::once_flag atExit;
        std::call_once(atExit, [] { std::atexit(&writeStandardDefaultsAtExit); });
        return UserDefaults::create(AppHome::preferencesDirectory() /
                                        (Bundle::main().bundleIdentifier() + ".plist"),
                                    UserDefaults::environmentGlobalDomain());
    });
    return defaults;
}

// Whether the value can go into the preferences file and come back from it unchanged; the
// reason when it cannot. Asking the writer and the reader themselves keeps this exact: a value
// the writer refuses would make every later save fail, and one that comes back changed would be
// lost at the next launch.
std::optional<std::string> unstorableReason(const Value& value) {
    if (value.isNull())
        return "a property list cannot hold a null value";
    auto written = writePlist(value, PlistFormat::Binary);
    if (!written)
        return written.error().localizedDescription();
    auto back = readPlist(*written);
    if (!back || !back->isIdenticalTo(value))
        return "it does not read back as written";
    return std::nullopt;
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

bool allOf(std::string_view text, int (*test)(int)) {
    return std::all_of(text.begin(), text.end(),
                       [test](char c) { return test(static_cast<unsigned char>(c)) != 0; });
}

// "fr_FR.UTF-8@euro" → "fr-FR"; "sr_Latn_RS" → "sr-Latn-RS"; nullopt for "C", "POSIX" and
// anything that is not a locale name.
std::optional<std::string> languageTag(std::string_view locale) {
    locale = locale.substr(0, locale.find_first_of(".@"));
    if (locale.empty() || locale == "C" || locale == "POSIX")
        return std::nullopt;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= locale.size()) {
        std::size_t end = locale.find_first_of("_-", start);
        if (end == std::string_view::npos)
            end = locale.size();
        parts.emplace_back(locale.substr(start, end - start));
        start = end + 1;
    }
    std::string& language = parts.front();
    if (language.size() < 2 || language.size() > 3 || !allOf(language, std::isalpha))
        return std::nullopt;
    std::string tag = lowercaseASCII(language);
    for (std::size_t i = 1; i < parts.size(); ++i) {
        std::string part = parts[i];
        if (part.size() == 4 && allOf(part, std::isalpha)) { // script: "Latn"
            part = uppercaseASCII(part.substr(0, 1)) + lowercaseASCII(part.substr(1));
        } else if (part.size() == 2 && allOf(part, std::isalpha)) { // region: "FR"
            part = uppercaseASCII(part);
        } else if (!(part.size() == 3 && allOf(part, std::isdigit))) { // or "419"
            return std::nullopt;
        }
        tag += '-';
        tag += part;
    }
    return tag;
}

// The entries of a preferences file that can be saved again unchanged. The others (a string
// with a NUL or a byte that is not UTF-8, a date no file can hold) would make every later save
// fail or come back changed: they are left out, said in one console line.
Value::Dictionary storableEntries(Value::Dictionary entries, const fs::path& file) {
    std::string dropped;
    for (auto entry = entries.begin(); entry != entries.end();) {
        if (!unstorableReason(Value(Value::Dictionary{{entry->first, entry->second}}))) {
            ++entry;
            continue;
        }
        dropped += (dropped.empty() ? "" : ", ") + Value(entry->first).description();
        entry = entries.erase(entry);
    }
    if (!dropped.empty())
        log("UserDefaults: " + file.string() + " holds values that could not be saved again (" +
            dropped + "); they are left out");
    return entries;
}

} // namespace

Value::Array UserDefaults::languagesFromEnvironment() {
    std::vector<std::string> tags;
    auto add = [&tags](std::string_view locale) {
        if (auto tag = languageTag(locale);
            tag && std::find(tags.begin(), tags.end(), *tag) == tags.end())
            tags.push_back(*tag);
    };
    std::string list = environment("LANGUAGE");
    for (std::size_t start = 0; start < list.size();) {
        std::size_t end = std::min(list.find(':', start), list.size());
        add(std::string_view(list).substr(start, end - start));
        start = end + 1;
    }
    if (tags.empty()) {
        // The first of these that is set decides, "C" included.
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
            if (std::string locale = environment(name); !locale.empty()) {
                add(locale);
                break;
            }
        }
    }
    if (std::find(tags.begin(), tags.end(), "en") == tags.end())
        tags.push_back("en");
    Value::Array languages;
    for (auto& tag : tags)
        languages.emplace_back(std::move(tag));
    return languages;
}

Value::Dictionary UserDefaults::environmentGlobalDomain() {
    return {{languagesKey, Value(languagesFromEnvironment())}};
}

std::shared_ptr<UserDefaults> UserDefaults::create(fs::path file, Value::Dictionary globalDomain) {
    return std::make_shared<UserDefaults>(Private{}, std::move(file), std::move(globalDomain));
}

std::shared_ptr<UserDefaults> UserDefaults::standard() {
    return processDefaults().get();
}

std::shared_ptr<UserDefaults> UserDefaults::install(std::shared_ptr<UserDefaults> defaults) {
    return processDefaults().install(std::move(defaults));
}

UserDefaults::UserDefaults(Private, fs::path file, Value::Dictionary globalDomain)
    : file_(std::move(file))
    , global_(std::move(globalDomain)) {
    load();
}

UserDefaults::~UserDefaults() {
    try {
        writeIfDirty();
    } catch (const std::exception& error) {
        log(std::string("UserDefaults: could not save ") + file_.string() + ": " + error.what());
    }
}

void UserDefaults::load() {
    std::error_code error;
    if (!fs::exists(fs::symlink_status(file_, error)))
        return;
    std::string problem;
    auto bytes = readFile(file_);
    if (!bytes) {
        problem = bytes.error().localizedDescription();
    } else {
        auto plist = readPlist(*bytes);
        if (!plist)
            problem = plist.error().localizedDescription();
        else if (!plist->isDictionary())
            problem = "its root is not a dictionary";
        else
            persistent_ = storableEntries(std::move(*plist->dictionary()), file_);
    }
    if (problem.empty())
        return;

    // Start empty, but keep what was there: it may still be read by hand.
    const auto aside = moveAside(file_);
    if (!aside)
        log("UserDefaults: " + file_.string() + " is not a usable preferences file (" + problem +
            ") and could not be moved aside (" + aside.error().localizedDescription() +
            "); starting empty");
    else
        log("UserDefaults: " + file_.string() + " is not a usable preferences file (" + problem +
            "); kept as " + aside->string() + ", starting empty");
}

Value UserDefaults::objectForKey(std::string_view key) const {
    std::lock_guard lock(mutex_);
    for (const auto* domain : {&persistent_, &global_, &registration_}) {
        auto found = domain->find(std::string(key));
        if (found != domain->end())
            return found->second;
    }
    return Value();
}

bool UserDefaults::setObject(std::string_view key, Value value) {
    if (value.isNull()) {
        removeObjectForKey(key);
        return true;
    }
    if (auto reason = unstorableReason(value)) {
        log("UserDefaults: refused to store \"" + std::string(key) + "\": " + *reason);
        return false;
    }
    value = value.immutableCopy();
    {
        std::lock_guard lock(mutex_);
        persistent_[std::string(key)] = std::move(value);
        dirty_ = true;
    }
    markDirty();
    return true;
}

void UserDefaults::removeObjectForKey(std::string_view key) {
    {
        std::lock_guard lock(mutex_);
        if (persistent_.erase(std::string(key)) == 0)
            return;
        dirty_ = true;
    }
    markDirty();
}

std::optional<std::string> UserDefaults::stringForKey(std::string_view key) const {
    return objectForKey(key).stringValue();
}

std::int64_t UserDefaults::integerForKey(std::string_view key) const {
    return objectForKey(key).integerValue();
}

bool UserDefaults::boolForKey(std::string_view key) const {
    return objectForKey(key).boolValue();
}

double UserDefaults::doubleForKey(std::string_view key) const {
    return objectForKey(key).doubleValue();
}

std::optional<Value::Array> UserDefaults::arrayForKey(std::string_view key) const {
    Value value = objectForKey(key);
    if (auto* array = value.array())
        return std::move(*array);
    return std::nullopt;
}

std::optional<Value::Dictionary> UserDefaults::dictionaryForKey(std::string_view key) const {
    Value value = objectForKey(key);
    if (value.isDictionary())
        return std::move(*value.dictionary());
    return std::nullopt;
}

std::optional<Data> UserDefaults::dataForKey(std::string_view key) const {
    Value value = objectForKey(key);
    if (const auto* data = value.data())
        return *data;
    return std::nullopt;
}

void UserDefaults::registerDefaults(const Value::Dictionary& defaults) {
    std::lock_guard lock(mutex_);
    for (const auto& [key, value] : defaults) {
        if (auto reason = unstorableReason(value)) {
            log("UserDefaults: skipped registering \"" + key + "\": " + *reason);
            continue;
        }
        registration_[key] = value.immutableCopy();
    }
}

Value::Dictionary UserDefaults::dictionaryRepresentation() const {
    std::lock_guard lock(mutex_);
    Value::Dictionary merged = registration_;
    for (const auto* domain : {&global_, &persistent_})
        for (const auto& [key, value] : *domain)
            merged[key] = value;
    return merged;
}

bool UserDefaults::synchronize() {
    return writeIfDirty();
}

void UserDefaults::markDirty() {
    if (writeScheduled_->exchange(true))
        return;
    // Clears the flag when the write has run or the run loop dropped it unrun (a reset), so
    // that the next change schedules again.
    struct Scheduled {
        explicit Scheduled(std::shared_ptr<std::atomic<bool>> flag)
            : flag(std::move(flag)) {}
        Scheduled(const Scheduled&) = delete;
        Scheduled& operator=(const Scheduled&) = delete;
        ~Scheduled() { flag->store(false); }
        std::shared_ptr<std::atomic<bool>> flag;
    };
    // Made in place: a temporary's destructor would clear the flag at once, and every change
    // would then queue a write of its own.
    auto scheduled = std::make_shared<Scheduled>(writeScheduled_);
    RunLoop::main().dispatch([weak = weak_from_this(), scheduled] {
        scheduled->flag->store(false);
        if (auto self = weak.lock())
            self->writeIfDirty();
    });
}

bool UserDefaults::writeIfDirty() {
    std::lock_guard writing(writeMutex_);
    Value::Dictionary snapshot;
    {
        std::lock_guard lock(mutex_);
        if (!dirty_)
            return true;
        snapshot = persistent_;
        dirty_ = false;
    }
    auto failed = [this](const std::string& why) {
        log("UserDefaults: could not save " + file_.string() + ": " + why);
        std::lock_guard lock(mutex_);
        dirty_ = true;
        return false;
    };
    auto bytes = writePlist(Value(std::move(snapshot)), PlistFormat::Binary);
    if (!bytes)
        return failed(bytes.error().localizedDescription());
    if (file_.has_parent_path())
        if (auto folder = createDirectories(file_.parent_path()); !folder)
            return failed(folder.error().localizedDescription());
    if (auto written = writeFileAtomically(file_, *bytes); !written)
        return failed(written.error().localizedDescription());
    return true;
}

} // namespace base
