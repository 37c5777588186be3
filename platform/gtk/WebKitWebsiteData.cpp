#include "platform/gtk/WebKitWebsiteData.h"

#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Strings.h"
#include "platform/gtk/GLibCallbackData.h"

#include <cmath>
#include <utility>
#include <webkit/webkit.h>

namespace gtk {

namespace {

// Whole seconds, as WebKit keeps expiry dates: a cookie that went there and back compares
// equal to itself.
net::Cookie normalized(net::Cookie cookie) {
    if (cookie.expires)
        cookie.expires = base::Date(std::floor(cookie.expires->timeIntervalSince1970()));
    return cookie;
}

SoupSameSitePolicy sameSitePolicy(net::Cookie::SameSite sameSite) {
    switch (sameSite) {
    case net::Cookie::SameSite::Strict:
        return SOUP_SAME_SITE_POLICY_STRICT;
    case net::Cookie::SameSite::Lax:
        return SOUP_SAME_SITE_POLICY_LAX;
    case net::Cookie::SameSite::None:
        break;
    }
    return SOUP_SAME_SITE_POLICY_NONE;
}

net::Cookie::SameSite sameSite(SoupSameSitePolicy policy) {
    switch (policy) {
    case SOUP_SAME_SITE_POLICY_STRICT:
        return net::Cookie::SameSite::Strict;
    case SOUP_SAME_SITE_POLICY_LAX:
        return net::Cookie::SameSite::Lax;
    case SOUP_SAME_SITE_POLICY_NONE:
        break;
    }
    return net::Cookie::SameSite::None;
}

GOwned<SoupCookie> toSoup(const net::Cookie& cookie) {
    auto soup = adopt(soup_cookie_new(cookie.name.c_str(), cookie.value.c_str(),
                                      cookie.domain.c_str(), cookie.path.c_str(), -1));
    if (cookie.expires) {
        if (auto expires = adopt(g_date_time_new_from_unix_utc(
                static_cast<gint64>(std::floor(cookie.expires->timeIntervalSince1970())))))
            soup_cookie_set_expires(soup.get(), expires.get());
    }
    soup_cookie_set_secure(soup.get(), cookie.secure);
    soup_cookie_set_http_only(soup.get(), cookie.httpOnly);
    soup_cookie_set_same_site_policy(soup.get(), sameSitePolicy(cookie.sameSite));
    return soup;
}

net::Cookie fromSoup(SoupCookie* soup) {
    net::Cookie cookie;
    auto text = [](const char* value) { return value ? std::string(value) : std::string(); };
    cookie.name = text(soup_cookie_get_name(soup));
    cookie.value = text(soup_cookie_get_value(soup));
    cookie.domain = text(soup_cookie_get_domain(soup));
    cookie.path = text(soup_cookie_get_path(soup));
    if (cookie.path.empty())
        cookie.path = "/";
    if (GDateTime* expires = soup_cookie_get_expires(soup))
        cookie.expires = base::Date(static_cast<double>(g_date_time_to_unix(expires)));
    cookie.secure = soup_cookie_get_secure(soup);
    cookie.httpOnly = soup_cookie_get_http_only(soup);
    cookie.sameSite = sameSite(soup_cookie_get_same_site_policy(soup));
    return normalized(std::move(cookie));
}

// What a GLib callback gets: the object, if it still lives.
using WeakData = std::weak_ptr<WebKitWebsiteData>;

} // namespace

void WebKitWebsiteData::cookieChangeFinished(GObject* source, GAsyncResult* result, void* data,
                                             bool added) {
    GError* error = nullptr;
    auto* manager = WEBKIT_COOKIE_MANAGER(source);
    if (added)
        webkit_cookie_manager_add_cookie_finish(manager, result, &error);
    else
        webkit_cookie_manager_delete_cookie_finish(manager, result, &error);
    operationFinished(data, error, "Could not update a cookie of the web engine", true);
}

void* WebKitWebsiteData::beginPush() {
    ++generation_;
    ++pushesInFlight_;
    ++pending_;
    return GLibCallbackData::give(WeakData(weak_from_this()));
}

void WebKitWebsiteData::operationFinished(void* data, GError* error, const char* failure,
                                          bool push) {
    auto weak = GLibCallbackData::take<WeakData>(data);
    const GOwned<GError> failed(error);
    if (failed)
        base::log(std::string(failure) + ": " + failed->message);
    if (auto self = weak->lock()) {
        if (push)
            --self->pushesInFlight_;
        self->operationDone();
    }
}

std::shared_ptr<WebKitWebsiteData> WebKitWebsiteData::make() {
    return std::make_shared<WebKitWebsiteData>(Private{});
}

WebKitWebsiteData& WebKitWebsiteData::shared() {
    static std::shared_ptr<WebKitWebsiteData> instance = make();
    return *instance;
}

WebKitWebsiteData::WebKitWebsiteData(Private)
    : session_(adopt(webkit_network_session_new_ephemeral()))
    , cookieManager_(webkit_network_session_get_cookie_manager(session_.get())) {
    webkit_cookie_manager_set_accept_policy(cookieManager_,
                                            WEBKIT_COOKIE_POLICY_ACCEPT_NO_THIRD_PARTY);
    changedHandler_ = g_signal_connect(
        cookieManager_, "changed", G_CALLBACK(+[](WebKitCookieManager*, gpointer self) {
            static_cast<WebKitWebsiteData*>(self)->engineCookiesChanged();
        }),
        this);
}

WebKitWebsiteData::~WebKitWebsiteData() {
    *alive_ = false;
    unbind();
    g_signal_handler_disconnect(cookieManager_, changedHandler_);
}

WebKitWebsiteData::Key WebKitWebsiteData::keyOf(const net::Cookie& cookie) {
    return {cookie.name, base::lowercaseASCII(cookie.domain), cookie.path};
}

void WebKitWebsiteData::bindToShared() {
    bind(net::CookieStorage::shared(), net::URLCache::shared());
}

void WebKitWebsiteData::unbind() {
    if (jar_)
        jar_->removeObserver(jarToken_);
    if (cache_)
        cache_->removeObserver(cacheToken_);
    jar_.reset();
    cache_.reset();
}

void WebKitWebsiteData::bind(std::shared_ptr<net::CookieStorage> jar,
                             std::shared_ptr<net::URLCache> cache) {
    base::assertMainThread();
    std::weak_ptr<bool> alive = alive_;
    if (cache != cache_) {
        if (cache_)
            cache_->removeObserver(cacheToken_);
        cache_ = std::move(cache);
        if (cache_)
            cacheToken_ = cache_->addObserver([this, alive] {
                base::RunLoop::main().dispatch([this, alive] {
                    if (alive.lock())
                        cacheChanged();
                });
            });
    }
    if (jar == jar_)
        return;
    if (jar_)
        jar_->removeObserver(jarToken_);
    jar_ = std::move(jar);
    if (!jar_)
        return;
    jarToken_ = jar_->addObserver([this, alive] {
        base::RunLoop::main().dispatch([this, alive] {
            if (alive.lock())
                jarChanged();
        });
    });

    // WebKit's cookies become the jar's.
    mirrored_.clear();
    std::vector<GOwned<SoupCookie>> cookies;
    for (const net::Cookie& cookie : jar_->cookies()) {
        net::Cookie kept = normalized(cookie);
        mirrored_[keyOf(kept)] = kept;
        cookies.push_back(toSoup(kept));
    }
    if (cookies.empty()) {
        clearEngineCookies();
        return;
    }
    GList* items = nullptr;
    for (auto cookie = cookies.rbegin(); cookie != cookies.rend(); ++cookie)
        items = g_list_prepend(items, cookie->get());
    const auto list = adopt(items); // lends the cookies, which WebKit copies
    webkit_cookie_manager_replace_cookies(
        cookieManager_, list.get(), nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            GError* error = nullptr;
            webkit_cookie_manager_replace_cookies_finish(WEBKIT_COOKIE_MANAGER(source), result,
                                                         &error);
            operationFinished(data, error, "Could not give the web engine our cookies", true);
        },
        beginPush());
}

void WebKitWebsiteData::clearEngineCookies() {
    webkit_website_data_manager_clear(
        webkit_network_session_get_website_data_manager(session_.get()),
        WEBKIT_WEBSITE_DATA_COOKIES, 0, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            GError* error = nullptr;
            webkit_website_data_manager_clear_finish(WEBKIT_WEBSITE_DATA_MANAGER(source), result,
                                                     &error);
            operationFinished(data, error, "Could not clear the web engine's cookies", true);
        },
        beginPush());
}

void WebKitWebsiteData::jarChanged() {
    if (!jar_)
        return;
    std::map<Key, net::Cookie> now;
    for (const net::Cookie& cookie : jar_->cookies()) {
        net::Cookie kept = normalized(cookie);
        now[keyOf(kept)] = kept;
    }
    auto push = [this](const net::Cookie& cookie, bool add) {
        const auto soup = toSoup(cookie);
        if (add)
            webkit_cookie_manager_add_cookie(
                cookieManager_, soup.get(), nullptr,
                [](GObject* source, GAsyncResult* result, gpointer data) {
                    cookieChangeFinished(source, result, data, true);
                },
                beginPush());
        else
            webkit_cookie_manager_delete_cookie(
                cookieManager_, soup.get(), nullptr,
                [](GObject* source, GAsyncResult* result, gpointer data) {
                    cookieChangeFinished(source, result, data, false);
                },
                beginPush());
    };

    if (now.empty() && !mirrored_.empty()) {
        // Emptied: clear WebKit's jar as a whole, which also takes cookies not mirrored yet.
        mirrored_.clear();
        clearEngineCookies();
        return;
    }
    for (const auto& [key, cookie] : now) {
        auto found = mirrored_.find(key);
        if (found == mirrored_.end() || !(found->second == cookie))
            push(cookie, true);
    }
    for (const auto& [key, cookie] : mirrored_)
        if (!now.count(key))
            push(cookie, false);
    mirrored_ = std::move(now);
}

void WebKitWebsiteData::engineCookiesChanged() {
    if (!jar_)
        return;
    if (pushesInFlight_ > 0) {
        // WebKit is still taking our changes; read its jar once they are in.
        engineChangedWhilePushing_ = true;
        return;
    }
    if (readingEngine_) {
        readAgain_ = true;
        return;
    }
    readingEngine_ = true;
    ++pending_;
    struct Read {
        WeakData weak;
        unsigned generation;
    };
    webkit_cookie_manager_get_all_cookies(
        cookieManager_, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            auto read = GLibCallbackData::take<Read>(data);
            GError* error = nullptr;
            const auto list = adopt(webkit_cookie_manager_get_all_cookies_finish(
                WEBKIT_COOKIE_MANAGER(source), result, &error));
            const GOwned<GError> failed(error);
            std::vector<net::Cookie> cookies;
            for (GList* item = list.get(); item; item = item->next)
                cookies.push_back(fromSoup(adopt(static_cast<SoupCookie*>(item->data)).get()));
            if (failed)
                base::log(std::string("Could not read the web engine's cookies: ") +
                          failed->message);
            auto self = read->weak.lock();
            if (!self)
                return;
            self->readingEngine_ = false;
            if (!failed)
                self->engineCookiesRead(std::move(cookies), read->generation);
            self->operationDone();
        },
        GLibCallbackData::give(Read{weak_from_this(), generation_}));
}

void WebKitWebsiteData::engineCookiesRead(std::vector<net::Cookie> cookies, unsigned generation) {
    if (!jar_)
        return;
    if (generation != generation_ || pushesInFlight_ > 0) {
        // We changed WebKit's jar meanwhile: what was read is out of date.
        readAgain_ = true;
        return;
    }
    const base::Date now = base::Date::now();
    std::map<Key, net::Cookie> engine;
    for (net::Cookie& cookie : cookies)
        if (!cookie.isExpired(now))
            engine[keyOf(cookie)] = std::move(cookie);
    // The mirror is updated before the jar, so that the jar's own notices find nothing new.
    std::vector<net::Cookie> toSet;
    std::vector<net::Cookie> toDelete;
    for (const auto& [key, cookie] : engine) {
        auto found = mirrored_.find(key);
        if (found == mirrored_.end() || !(found->second == cookie))
            toSet.push_back(cookie);
    }
    for (const auto& [key, cookie] : mirrored_)
        if (!engine.count(key))
            toDelete.push_back(cookie);
    mirrored_ = std::move(engine);
    for (const net::Cookie& cookie : toSet)
        if (!jar_->setCookie(cookie))
            base::log("A cookie of the web engine was refused by the cookie jar: " + cookie.name);
    for (const net::Cookie& cookie : toDelete)
        jar_->deleteCookie(cookie);
}

void WebKitWebsiteData::operationDone() {
    --pending_;
    if (pushesInFlight_ == 0 && !readingEngine_ && (engineChangedWhilePushing_ || readAgain_)) {
        engineChangedWhilePushing_ = false;
        readAgain_ = false;
        engineCookiesChanged();
    }
}

void WebKitWebsiteData::cacheChanged() {
    if (!cache_ || cache_->currentMemoryUsage() != 0 || cache_->currentDiskUsage() != 0)
        return;
    ++pending_;
    webkit_website_data_manager_clear(
        webkit_network_session_get_website_data_manager(session_.get()),
        static_cast<WebKitWebsiteDataTypes>(WEBKIT_WEBSITE_DATA_MEMORY_CACHE |
                                            WEBKIT_WEBSITE_DATA_DISK_CACHE),
        0, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            GError* error = nullptr;
            webkit_website_data_manager_clear_finish(WEBKIT_WEBSITE_DATA_MANAGER(source), result,
                                                     &error);
            operationFinished(data, error, "Could not clear the web engine's cache", false);
        },
        GLibCallbackData::give(WeakData(weak_from_this())));
}

} // namespace gtk
