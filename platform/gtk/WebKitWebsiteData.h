#pragma once

#include "platform/gtk/GOwned.h"
#include "platform/net/Cookie.h"
#include "platform/net/CookieStorage.h"
#include "platform/net/URLCache.h"

#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

typedef struct _WebKitNetworkSession WebKitNetworkSession;
typedef struct _WebKitCookieManager WebKitCookieManager;
typedef struct _GObject GObject;
typedef struct _GAsyncResult GAsyncResult;
typedef struct _GError GError;

namespace gtk {

// What the web engine keeps of websites, tied to our own stores: one WebKit network session
// for every web view of the process, whose cookies mirror net::CookieStorage both ways and
// whose caches are emptied whenever net::URLCache is.
//
// The session is ephemeral: our cookie jar is the one kept on disk, and WebKit's copy is
// rebuilt from it at every start; WebKit's HTTP cache, local storage and the like last for
// the run only.
//
// Binding to a jar replaces WebKit's cookies with the jar's. After that, a cookie set or
// deleted on either side (a page's Set-Cookie or document.cookie, a connection of ours, code)
// reaches the other side; emptying the jar clears WebKit's cookies, emptying the URL cache
// clears WebKit's memory and disk caches. Main thread only; the stores' observers may fire on
// any thread and are brought to the main run loop.
class WebKitWebsiteData : public std::enable_shared_from_this<WebKitWebsiteData> {
    struct Private {};

public:
    // The process's instance, made on first use (GTK must be initialised).
    static WebKitWebsiteData& shared();

    explicit WebKitWebsiteData(Private);
    ~WebKitWebsiteData();
    WebKitWebsiteData(const WebKitWebsiteData&) = delete;
    WebKitWebsiteData& operator=(const WebKitWebsiteData&) = delete;

    WebKitNetworkSession* session() const { return session_.get(); }

    // Follows these stores from now on; does nothing when they are the ones already followed.
    void bind(std::shared_ptr<net::CookieStorage> jar, std::shared_ptr<net::URLCache> cache);
    // Follows the process's current stores (tests replace them between cases).
    void bindToShared();

    // Reads WebKit's cookies into the jar now. WebKit's change notices can miss cookies set
    // while its network process is still starting, so a finished page asks for this too.
    void readEngineCookies() { engineCookiesChanged(); }

    // Exchanges with WebKit still under way; 0 when both sides agree as far as we know.
    int pendingOperations() const { return pending_; }

private:
    using Key = std::tuple<std::string, std::string, std::string>; // name, domain, path
    static Key keyOf(const net::Cookie& cookie);

    static std::shared_ptr<WebKitWebsiteData> make();
    void unbind();
    // Our jar changed: push the difference to WebKit.
    void jarChanged();
    // WebKit's jar changed: read it all, then bring the difference into ours.
    void engineCookiesChanged();
    void engineCookiesRead(std::vector<net::Cookie> cookies, unsigned generation);
    void cacheChanged();
    void clearEngineCookies();
    void operationDone();
    // Counts a push to WebKit about to start; returns what its callback hands to
    // operationFinished.
    void* beginPush();
    // The end of a push (or, with push false, of another operation begun with ++pending_ and
    // this object's weak pointer as `data`): logs `failure` with the error, if any, then counts
    // the operation done.
    static void operationFinished(void* data, GError* error, const char* failure, bool push);
    static void cookieChangeFinished(GObject* source, GAsyncResult* result, void* data, bool added);

    GOwned<WebKitNetworkSession> session_;
    WebKitCookieManager* cookieManager_ = nullptr;
    unsigned long changedHandler_ = 0;

    std::shared_ptr<net::CookieStorage> jar_;
    net::CookieStorage::ObserverToken jarToken_ = 0;
    std::shared_ptr<net::URLCache> cache_;
    net::URLCache::ObserverToken cacheToken_ = 0;

    // Both jars as last agreed.
    std::map<Key, net::Cookie> mirrored_;
    int pending_ = 0;
    // Bumped by every push to WebKit: a read of WebKit's jar begun before a push is stale.
    unsigned generation_ = 0;
    int pushesInFlight_ = 0;
    bool engineChangedWhilePushing_ = false;
    bool readingEngine_ = false;
    bool readAgain_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace gtk
