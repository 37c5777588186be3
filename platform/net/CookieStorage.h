#pragma once

#include "platform/base/ObserverList.h"
#include "platform/base/URL.h"
#include "platform/net/Cookie.h"
#include "platform/net/HTTPHeaderFields.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace net {

// The process's cookie jar. Cookies with an expiry date are kept in a JSON file (by default
// Library/Cookies/Cookies.json in the app home), rewritten after every change to them; session
// cookies live in memory only and are gone at the next launch. Expired cookies are never
// returned and are dropped from the file.
//
// A file that cannot be read as a jar is renamed to "<file>.corrupt" (".corrupt.1" and so on
// when that name is taken), the jar starts empty, and one console line says so. A save that
// fails says so in one console line; further failures stay quiet until a save succeeds, which
// writes every persistent cookie the jar holds by then.
//
// Observers hear of every change (so that a web engine can mirror the jar), on the thread
// that made it, after the change is complete. Every method is thread-safe.
class CookieStorage {
    struct Private {};

public:
    using ObserverToken = base::ObserverList::Token;

    // A jar kept in `file` (read now when it exists), or in memory only for an empty path.
    static std::shared_ptr<CookieStorage> create(std::filesystem::path file);
    // The process's jar, made on first use in the app home. Hold the pointer rather than a
    // reference: tests swap the object.
    static std::shared_ptr<CookieStorage> shared();
    // Installs the process's jar and returns the one it replaces; nullptr makes shared() build
    // a fresh one from the app home on its next call.
    static std::shared_ptr<CookieStorage> install(std::shared_ptr<CookieStorage> storage);
    static std::filesystem::path defaultFilePath();

    CookieStorage(Private, std::filesystem::path file);
    CookieStorage(const CookieStorage&) = delete;
    CookieStorage& operator=(const CookieStorage&) = delete;

    const std::filesystem::path& filePath() const { return file_; }

    // Every live cookie, in the order they were first set.
    std::vector<Cookie> cookies() const;
    // The live cookies a request for the URL carries: longest path first, then oldest first.
    std::vector<Cookie> cookiesForURL(const base::URL& url) const;
    // "name=value; name2=value2" for the URL, nullopt when no cookie goes with it.
    std::optional<std::string> cookieHeaderForURL(const base::URL& url) const;

    // Adds the cookie, replacing one of the same name, domain and path (which keeps its place
    // in the order). A cookie already expired deletes its namesake instead. Refused (false) when
    // it is not Cookie::isAcceptable(); cookies read from the file pass the same check.
    bool setCookie(const Cookie& cookie);
    void deleteCookie(const Cookie& cookie);
    void deleteAllCookies();
    // Stores the cookies of every Set-Cookie field of a response from the URL; returns how
    // many were stored or deleted.
    std::size_t setCookiesFromHeaders(const HTTPHeaderFields& headers, const base::URL& url);

    ObserverToken addObserver(std::function<void()> observer);
    void removeObserver(ObserverToken token);

private:
    struct Entry {
        Cookie cookie;
        std::uint64_t sequence;
    };

    // A site that keeps sending new names cannot grow the jar, its file and every request's
    // Cookie header without end: past these counts the oldest cookies go first.
    static constexpr std::size_t maximumCookiesPerDomain = 50;
    static constexpr std::size_t maximumCookies = 3000;
    // Drops the oldest cookies over the limits; tells whether a saved cookie went.
    void evictOverLimitsLocked(const std::string& domain, bool& persistent);

    void load();
    // Applies one change under the lock; true when the jar changed. Sets `persistent` when a
    // cookie kept on disk was involved.
    bool applyLocked(const Cookie& cookie, bool& persistent);
    void saveLocked() const;
    void notifyObservers();

    std::filesystem::path file_;
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
    std::uint64_t nextSequence_ = 0;
    mutable bool saveFailing_ = false; // the last save failed and said so
    base::ObserverList observers_;
};

} // namespace net
