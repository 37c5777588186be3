#include "platform/net/CookieStorage.h"

#include "platform/base/AppHome.h"
#include "platform/base/JSON.h"
#include "platform/base/Log.h"
#include "platform/base/ProcessWide.h"
#include "platform/base/Strings.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <system_error>

namespace net {

namespace {

base::ProcessWide<CookieStorage>& processJar() {
    static base::ProcessWide<CookieStorage> jar(
        [] { return CookieStorage::create(CookieStorage::defaultFilePath()); });
    return jar;
}

// Indexed by Cookie::SameSite.
constexpr std::array<const char*, 3> sameSiteNames = {"None", "Lax", "Strict"};

base::Value toValue(const Cookie& cookie) {
    base::Value::Dictionary entry{
        {"name", cookie.name},
        {"value", cookie.value},
        {"domain", cookie.domain},
        {"path", cookie.path},
        {"secure", cookie.secure},
        {"httpOnly", cookie.httpOnly},
        {"expires", cookie.expires->timeIntervalSince1970()},
        {"sameSite", sameSiteNames[std::size_t(cookie.sameSite)]},
    };
    return entry;
}

std::optional<Cookie> fromValue(const base::Value& value) {
    if (!value.isDictionary())
        return std::nullopt;
    auto* name = value["name"].string();
    auto* cookieValue = value["value"].string();
    auto* domain = value["domain"].string();
    auto* path = value["path"].string();
    if (!name || !cookieValue || !domain || !path || !value["expires"].isNumber())
        return std::nullopt;
    double expires = value["expires"].doubleValue();
    if (!std::isfinite(expires))
        return std::nullopt;
    Cookie cookie;
    cookie.name = *name;
    cookie.value = *cookieValue;
    cookie.domain = *domain;
    cookie.path = *path;
    cookie.expires = base::Date(expires);
    cookie.secure = value["secure"].boolValue();
    cookie.httpOnly = value["httpOnly"].boolValue();
    // Files written before the jar kept SameSite have none: the engine's None.
    if (auto* sameSite = value["sameSite"].string()) {
        auto known = std::find(sameSiteNames.begin(), sameSiteNames.end(), *sameSite);
        if (known == sameSiteNames.end())
            return std::nullopt;
        cookie.sameSite = Cookie::SameSite(known - sameSiteNames.begin());
    }
    return cookie;
}

} // namespace

std::shared_ptr<CookieStorage> CookieStorage::create(std::filesystem::path file) {
    auto storage = std::make_shared<CookieStorage>(Private{}, std::move(file));
    storage->load();
    return storage;
}

std::shared_ptr<CookieStorage> CookieStorage::shared() {
    return processJar().get();
}

std::shared_ptr<CookieStorage> CookieStorage::install(std::shared_ptr<CookieStorage> storage) {
    return processJar().install(std::move(storage));
}

std::filesystem::path CookieStorage::defaultFilePath() {
    return base::AppHome::libraryDirectory() / "Cookies" / "Cookies.json";
}

CookieStorage::CookieStorage(Private, std::filesystem::path file)
    : file_(std::move(file)) {}

void CookieStorage::load() {
    if (file_.empty())
        return;
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(file_, error)))
        return;
    std::string problem;
    auto data = base::readFile(file_);
    if (!data) {
        problem = data.error().localizedDescription();
    } else if (auto parsed = base::parseJSON(*data); !parsed) {
        problem = parsed.error().localizedDescription();
    } else if (!parsed->isArray()) {
        problem = "its root is not an array";
    } else {
        base::Date now = base::Date::now();
        std::lock_guard lock(mutex_);
        for (auto& item : *parsed->array()) {
            // A cookie of the file passes what a cookie set by a server passes: a tampered
            // file must not put a line break into a Cookie header, nor a cookie onto every
            // site under a public suffix.
            auto cookie = fromValue(item);
            if (!cookie || cookie->isExpired(now) || !cookie->isAcceptable())
                continue;
            bool persistent = false;
            applyLocked(*cookie, persistent);
        }
        return;
    }

    // The jar starts empty, but the next save must not destroy what may still be read by hand.
    const auto aside = base::moveAside(file_);
    if (!aside)
        base::log("CookieStorage: " + file_.string() + " is not a usable cookie file (" + problem +
                  ") and could not be moved aside (" + aside.error().localizedDescription() +
                  "); starting empty");
    else
        base::log("CookieStorage: " + file_.string() + " is not a usable cookie file (" + problem +
                  "); kept as " + aside->string() + ", starting empty");
}

void CookieStorage::saveLocked() const {
    if (file_.empty())
        return;
    base::Date now = base::Date::now();
    base::Value::Array items;
    for (auto& entry : entries_)
        if (!entry.cookie.isSessionOnly() && !entry.cookie.isExpired(now))
            items.push_back(toValue(entry.cookie));
    std::string problem;
    if (auto text = base::toJSON(base::Value(std::move(items)), true); !text)
        problem = text.error().localizedDescription();
    else if (auto folder = file_.has_parent_path() ? base::createDirectories(file_.parent_path())
                                                   : base::Result<void>();
             !folder)
        problem = folder.error().localizedDescription();
    else if (auto written = base::writeFileAtomically(file_, base::Data::fromString(*text));
             !written)
        problem = written.error().localizedDescription();
    if (problem.empty()) {
        saveFailing_ = false;
        return;
    }
    // Every change saves the whole jar, so a lasting fault (a full disk, a folder that cannot
    // be written) would otherwise print a line per cookie a page sets.
    if (saveFailing_)
        return;
    saveFailing_ = true;
    base::log("CookieStorage: could not save " + file_.string() + ": " + problem +
              "; persistent cookies are kept in memory only until a save succeeds");
}

bool CookieStorage::applyLocked(const Cookie& cookie, bool& persistent) {
    auto existing = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& entry) {
        return entry.cookie.sameIdentity(cookie);
    });
    if (cookie.isExpired(base::Date::now())) {
        if (existing == entries_.end())
            return false;
        persistent = persistent || !existing->cookie.isSessionOnly();
        entries_.erase(existing);
        return true;
    }
    persistent = persistent || !cookie.isSessionOnly();
    if (existing != entries_.end()) {
        persistent = persistent || !existing->cookie.isSessionOnly();
        if (existing->cookie == cookie)
            return false;
        existing->cookie = cookie;
        return true;
    }
    entries_.push_back({cookie, nextSequence_++});
    evictOverLimitsLocked(cookie.domain, persistent);
    return true;
}

void CookieStorage::evictOverLimitsLocked(const std::string& domain, bool& persistent) {
    // Entries are kept in the order they were made, so the first match is the oldest.
    auto eraseOldest = [&](auto&& matches) {
        auto oldest = std::find_if(entries_.begin(), entries_.end(), matches);
        if (oldest == entries_.end())
            return;
        persistent = persistent || !oldest->cookie.isSessionOnly();
        entries_.erase(oldest);
    };
    auto ofDomain = [&](const Entry& entry) {
        return base::equalsIgnoringASCIICase(entry.cookie.domain, domain);
    };
    while (std::size_t(std::count_if(entries_.begin(), entries_.end(), ofDomain)) >
           maximumCookiesPerDomain)
        eraseOldest(ofDomain);
    while (entries_.size() > maximumCookies)
        eraseOldest([](const Entry&) { return true; });
}

std::vector<Cookie> CookieStorage::cookies() const {
    base::Date now = base::Date::now();
    std::lock_guard lock(mutex_);
    std::vector<Cookie> result;
    for (auto& entry : entries_)
        if (!entry.cookie.isExpired(now))
            result.push_back(entry.cookie);
    return result;
}

std::vector<Cookie> CookieStorage::cookiesForURL(const base::URL& url) const {
    base::Date now = base::Date::now();
    std::vector<Entry> matching;
    {
        std::lock_guard lock(mutex_);
        for (auto& entry : entries_)
            if (!entry.cookie.isExpired(now) && entry.cookie.matches(url))
                matching.push_back(entry);
    }
    std::stable_sort(matching.begin(), matching.end(), [](const Entry& a, const Entry& b) {
        if (a.cookie.path.size() != b.cookie.path.size())
            return a.cookie.path.size() > b.cookie.path.size();
        return a.sequence < b.sequence;
    });
    std::vector<Cookie> result;
    for (auto& entry : matching)
        result.push_back(std::move(entry.cookie));
    return result;
}

std::optional<std::string> CookieStorage::cookieHeaderForURL(const base::URL& url) const {
    auto matching = cookiesForURL(url);
    if (matching.empty())
        return std::nullopt;
    std::string header;
    for (auto& cookie : matching) {
        if (!header.empty())
            header += "; ";
        header += cookie.name;
        header += '=';
        header += cookie.value;
    }
    return header;
}

bool CookieStorage::setCookie(const Cookie& cookie) {
    if (!cookie.isAcceptable())
        return false;
    bool changed;
    {
        std::lock_guard lock(mutex_);
        bool persistent = false;
        changed = applyLocked(cookie, persistent);
        if (changed && persistent)
            saveLocked();
    }
    if (changed)
        notifyObservers();
    return true;
}

void CookieStorage::deleteCookie(const Cookie& cookie) {
    bool changed = false;
    {
        std::lock_guard lock(mutex_);
        auto existing = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& entry) {
            return entry.cookie.sameIdentity(cookie);
        });
        if (existing != entries_.end()) {
            bool persistent = !existing->cookie.isSessionOnly();
            entries_.erase(existing);
            changed = true;
            if (persistent)
                saveLocked();
        }
    }
    if (changed)
        notifyObservers();
}

void CookieStorage::deleteAllCookies() {
    bool changed;
    {
        std::lock_guard lock(mutex_);
        changed = !entries_.empty();
        entries_.clear();
        saveLocked();
    }
    if (changed)
        notifyObservers();
}

std::size_t CookieStorage::setCookiesFromHeaders(const HTTPHeaderFields& headers,
                                                 const base::URL& url) {
    base::Date now = base::Date::now();
    std::vector<Cookie> parsed;
    for (auto& field : headers.values("Set-Cookie"))
        if (auto cookie = Cookie::fromSetCookie(field, url, now))
            parsed.push_back(std::move(*cookie));
    if (parsed.empty())
        return 0;
    std::size_t applied = 0;
    {
        std::lock_guard lock(mutex_);
        bool persistent = false;
        for (auto& cookie : parsed)
            if (applyLocked(cookie, persistent))
                ++applied;
        if (applied && persistent)
            saveLocked();
    }
    if (applied)
        notifyObservers();
    return applied;
}

CookieStorage::ObserverToken CookieStorage::addObserver(std::function<void()> observer) {
    return observers_.add(std::move(observer));
}

void CookieStorage::removeObserver(ObserverToken token) {
    observers_.remove(token);
}

void CookieStorage::notifyObservers() {
    observers_.notify();
}

} // namespace net
