#include "platform/gtk/WebKitEngine.h"

#include "platform/base/Bundle.h"
#include "platform/base/JSON.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/gtk/GLibCallbackData.h"
#include "platform/gtk/WebKitResourceInterception.h"
#include "platform/gtk/WebKitWebsiteData.h"
#include "platform/ui/WebEngineClient.h"
#include "platform/ui/WebViewNavigationType.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <utility>
#include <vector>
#include <webkit/webkit.h>

namespace gtk {

namespace {

// The isolated world of the engine's own scripts: the page's scripts cannot see or change
// what runs there (they share the document only).
constexpr const char* engineWorld = "gtk-engine";
constexpr const char* messageHandler = "gtkEngine";
// The key under which a WebKitWebView knows its engine.
constexpr const char* engineKey = "gtk-engine";
// How long the frame check of a navigation may take before the navigation is taken for the
// main frame's.
constexpr guint probeTimeoutMilliseconds = 2000;

// The engine's scripts, read from the resources once per process: engine_page.js runs in every
// frame as its document starts, engine_probe.js when a navigation is to be decided,
// engine_frames.js behind each script of the client. A script
// that cannot be read is said on the console and left out (no scroll reports, or every
// navigation taken for the main frame's).
struct EngineScripts {
    std::string page;
    std::string probe;
    std::string frames;
};

const EngineScripts& engineScripts() {
    static const EngineScripts scripts = [] {
        const auto read = [](std::string_view name) {
            auto script = base::Bundle::main().textOfResource(name, "js");
            if (script)
                return std::move(*script);
            base::log("The web engine goes without its script: " +
                      script.error().localizedDescription());
            return std::string();
        };
        return EngineScripts{read("engine_page"), read("engine_probe"), read("engine_frames")};
    }();
    return scripts;
}

// The frame addresses engine_frames.js answers (JSON text); nullopt when it gave none.
std::optional<std::vector<std::string>> frameAddresses(const std::string& json) {
    auto parsed = base::parseJSON(json);
    if (!parsed || !parsed->array())
        return std::nullopt;
    std::vector<std::string> addresses;
    for (const auto& item : *parsed->array())
        if (item.string())
            addresses.push_back(*item.string());
    return addresses;
}

std::string text(const char* value) {
    return value ? std::string(value) : std::string();
}

// Whether the engine loads addresses of the scheme: its own schemes and the one the program
// registers with it (WebKitResourceInterception). A frame led anywhere else can only fail.
bool engineLoads(const std::optional<base::URL>& url) {
    if (!url)
        return false;
    static constexpr std::string_view loaded[] = {
        "http",       "https",    "file",
        "data",       "blob",     "about",
        "javascript", "resource", WebKitResourceInterception::scheme};
    const std::string& scheme = url->scheme();
    return std::find(std::begin(loaded), std::end(loaded), scheme) != std::end(loaded);
}

ui::WebViewNavigationType navigationType(WebKitNavigationType type) {
    switch (type) {
    case WEBKIT_NAVIGATION_TYPE_LINK_CLICKED:
        return ui::WebViewNavigationType::LinkClicked;
    case WEBKIT_NAVIGATION_TYPE_FORM_SUBMITTED:
        return ui::WebViewNavigationType::FormSubmitted;
    case WEBKIT_NAVIGATION_TYPE_BACK_FORWARD:
        return ui::WebViewNavigationType::BackForward;
    case WEBKIT_NAVIGATION_TYPE_RELOAD:
        return ui::WebViewNavigationType::Reload;
    case WEBKIT_NAVIGATION_TYPE_FORM_RESUBMITTED:
        return ui::WebViewNavigationType::FormResubmitted;
    case WEBKIT_NAVIGATION_TYPE_OTHER:
    default:
        return ui::WebViewNavigationType::Other;
    }
}

// A window a page opens shows in the view that opened it: to the client it is the page
// following a link, when a person's click or key asked for it (a link with a target is one
// already). Otherwise it keeps the engine's own type.
ui::WebViewNavigationType newWindowNavigationType(WebKitNavigationAction* action) {
    const auto type = navigationType(webkit_navigation_action_get_navigation_type(action));
    if (type == ui::WebViewNavigationType::Other &&
        webkit_navigation_action_is_user_gesture(action))
        return ui::WebViewNavigationType::LinkClicked;
    return type;
}

// The base URL for content given to the view. WebKit takes a load whose address differs from
// the page shown only by its fragment for a move within that page: it keeps the document, drops
// the content and reports no load, which would then never end. The content replaces the
// document, as the platform's web view did, under the address without its fragment.
std::string documentBase(WebKitWebView* view, const base::URL& baseURL) {
    const std::string& base = baseURL.absoluteString();
    const auto hash = base.find('#');
    const std::string shown = text(webkit_web_view_get_uri(view));
    if (hash == std::string::npos || shown.substr(0, shown.find('#')) != base.substr(0, hash))
        return base;
    return base.substr(0, hash);
}

net::URLRequest requestFrom(WebKitURIRequest* webRequest) {
    net::URLRequest request(base::URL::parse(text(webkit_uri_request_get_uri(webRequest))));
    if (const char* method = webkit_uri_request_get_http_method(webRequest))
        request.setHTTPMethod(method);
    if (SoupMessageHeaders* headers = webkit_uri_request_get_http_headers(webRequest)) {
        SoupMessageHeadersIter iter;
        const char* name = nullptr;
        const char* value = nullptr;
        soup_message_headers_iter_init(&iter, headers);
        while (soup_message_headers_iter_next(&iter, &name, &value))
            request.addValueForHTTPHeaderField(value, name);
    }
    return request;
}

net::URLRequest requestForURL(const std::string& url) {
    net::URLRequest request(base::URL::parse(url));
    request.setMainDocumentURL(request.url());
    return request;
}

std::string formatNumber(double value) {
    if (!std::isfinite(value))
        return "0";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3f", value);
    return buffer;
}

} // namespace

// A navigation of WebKit waiting for the client. Unanswered, it is refused when let go.
class WebKitEngine::Decision {
public:
    explicit Decision(WebKitPolicyDecision* decision)
        : decision_(ref(decision)) {}
    ~Decision() {
        if (!answered_)
            webkit_policy_decision_ignore(decision_.get());
    }
    Decision(const Decision&) = delete;
    Decision& operator=(const Decision&) = delete;

    void answer(bool allow) {
        if (answered_)
            return;
        answered_ = true;
        if (allow)
            webkit_policy_decision_use(decision_.get());
        else
            webkit_policy_decision_ignore(decision_.get());
    }

private:
    GOwned<WebKitPolicyDecision> decision_;
    bool answered_ = false;
};

// --- Creation.

WebKitEngine::WebKitEngine(WebKitEngine* relatedTo) {
    base::assertMainThread();
    WebKitResourceInterception::prepareContext();
    WebKitWebsiteData& data = WebKitWebsiteData::shared();
    data.bindToShared();
    contentManager_ = adopt(webkit_user_content_manager_new());
    GObject* object = nullptr;
    if (relatedTo)
        object = G_OBJECT(g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", relatedTo->view_.get(),
                                       "user-content-manager", contentManager_.get(), nullptr));
    else
        object = G_OBJECT(g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session", data.session(),
                                       "user-content-manager", contentManager_.get(), nullptr));
    view_ = refSink(WEBKIT_WEB_VIEW(object));
    g_object_set_data(G_OBJECT(view_.get()), engineKey, this);

    webkit_user_content_manager_register_script_message_handler(contentManager_.get(),
                                                                messageHandler, engineWorld);
    g_signal_connect(contentManager_.get(), "script-message-received::gtkEngine",
                     G_CALLBACK(+[](WebKitUserContentManager*, JSCValue* value, gpointer self) {
                         static_cast<WebKitEngine*>(self)->pageMessage(value);
                     }),
                     this);
    installPageScripts();

    g_signal_connect(view_.get(), "decide-policy",
                     G_CALLBACK(+[](WebKitWebView*, WebKitPolicyDecision* decision,
                                    WebKitPolicyDecisionType type, gpointer self) -> gboolean {
                         auto* engine = static_cast<WebKitEngine*>(self);
                         switch (type) {
                         case WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION:
                             engine->navigationDecision(decision, false);
                             return TRUE;
                         case WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION:
                             engine->navigationDecision(decision, true);
                             return TRUE;
                         case WEBKIT_POLICY_DECISION_TYPE_RESPONSE:
                             engine->responseDecision(decision);
                             return TRUE;
                         default:
                             return FALSE;
                         }
                     }),
                     this);
    g_signal_connect(view_.get(), "load-changed",
                     G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer self) {
                         static_cast<WebKitEngine*>(self)->loadChanged(event);
                     }),
                     this);
    g_signal_connect(view_.get(), "load-failed",
                     G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent, const char* uri, GError* error,
                                    gpointer self) -> gboolean {
                         static_cast<WebKitEngine*>(self)->loadFailed(uri, error);
                         return TRUE; // no error page: the client shows what it wants
                     }),
                     this);
    g_signal_connect(
        view_.get(), "web-process-terminated",
        G_CALLBACK(+[](WebKitWebView*, WebKitWebProcessTerminationReason reason, gpointer self) {
            static_cast<WebKitEngine*>(self)->webProcessTerminated(reason);
        }),
        this);
    g_signal_connect(view_.get(), "notify::title",
                     G_CALLBACK(+[](GObject*, GParamSpec*, gpointer self) {
                         static_cast<WebKitEngine*>(self)->titleChanged();
                     }),
                     this);
    g_signal_connect(
        view_.get(), "script-dialog",
        G_CALLBACK(+[](WebKitWebView*, WebKitScriptDialog* dialog, gpointer) -> gboolean {
            // Answered at once, as "cancel", so that no dialog waits for a person
            // while code waits for the page.
            base::log(std::string("A page's script dialog was dismissed: ") +
                      text(webkit_script_dialog_get_message(dialog)));
            if (webkit_script_dialog_get_dialog_type(dialog) ==
                WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM)
                webkit_script_dialog_confirm_set_confirmed(dialog, TRUE);
            return TRUE;
        }),
        nullptr);
    g_signal_connect(view_.get(), "create",
                     G_CALLBACK(+[](WebKitWebView*, WebKitNavigationAction* action,
                                    gpointer self) -> GtkWidget* {
                         // A page's script opens a window: none opens, and the page asked for loads
                         // in this view once the client lets it, as a link with a target does (see
                         // navigationDecision). An empty window, for the script to write into,
                         // loads nothing.
                         auto* engine = static_cast<WebKitEngine*>(self);
                         net::URLRequest request =
                             requestFrom(webkit_navigation_action_get_request(action));
                         if (request.url() && request.url()->absoluteString() != "about:blank")
                             engine->classified(engine->postLater(), std::move(request),
                                                static_cast<int>(newWindowNavigationType(action)),
                                                true, nullptr, true);
                         return nullptr;
                     }),
                     this);
}

WebKitEngine::~WebKitEngine() {
    *alive_ = false;
    client_ = nullptr;
    events_.clear();
    parked_.clear(); // refused
    g_object_set_data(G_OBJECT(view_.get()), engineKey, nullptr);
    g_signal_handlers_disconnect_by_data(view_.get(), this);
    g_signal_handlers_disconnect_by_data(contentManager_.get(), this);
    webkit_user_content_manager_unregister_script_message_handler(contentManager_.get(),
                                                                  messageHandler, engineWorld);
    GtkWidget* widget = GTK_WIDGET(view_.get());
    if (GtkWidget* parent = gtk_widget_get_parent(widget)) {
        if (GTK_IS_FIXED(parent))
            gtk_fixed_remove(GTK_FIXED(parent), widget);
        else
            gtk_widget_unparent(widget);
    }
}

ui::WebEngineFactory::Maker WebKitEngine::maker() {
    return [](ui::WebEngine* relatedTo) -> std::unique_ptr<ui::WebEngine> {
        return std::make_unique<WebKitEngine>(dynamic_cast<WebKitEngine*>(relatedTo));
    };
}

GtkWidget* WebKitEngine::widget() const {
    return GTK_WIDGET(view_.get());
}

WebKitEngine* WebKitEngine::engineOfView(WebKitWebView* view) {
    return view ? static_cast<WebKitEngine*>(g_object_get_data(G_OBJECT(view), engineKey))
                : nullptr;
}

ui::WebView* WebKitEngine::clientWebView() const {
    return client_ ? client_->clientWebView() : nullptr;
}

void WebKitEngine::installPageScripts() {
    webkit_user_content_manager_remove_all_scripts(contentManager_.get());
    if (!engineScripts().page.empty()) {
        // The script is a function of the top inset.
        const std::string page = engineScripts().page + "(" + formatNumber(inset_.top) + ");";
        auto script = adopt(webkit_user_script_new_for_world(
            page.c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
            WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, engineWorld, nullptr, nullptr));
        webkit_user_content_manager_add_script(contentManager_.get(), script.get());
    }
    if (loadScript_.empty())
        return;
    // The client's load script, run by the page at its load event in our world, between two
    // messages: navigations that come between them are parked as those of a client's script
    // are, and the frames the page has after it tell which are a frame's.
    const std::string atLoad =
        "window.addEventListener('load', function () {"
        "var post = function (message) {"
        "try { window.webkit.messageHandlers." +
        std::string(messageHandler) +
        ".postMessage(message); } catch (e) {} };"
        "post({loadScript: 'start'});"
        "var answer = '';"
        "try { var value = (" +
        loadScript_ +
        "\n); answer = value === undefined || value === null ? '' : String(value); }"
        " catch (e) {}"
        "var frames = '';"
        "try { frames = " +
        engineScripts().frames +
        "\n} catch (e) {}"
        "post({loadScript: 'end', answer: answer, frames: frames});"
        "});";
    auto atLoadScript = adopt(webkit_user_script_new_for_world(
        atLoad.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
        WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END, engineWorld, nullptr, nullptr));
    webkit_user_content_manager_add_script(contentManager_.get(), atLoadScript.get());
}

void WebKitEngine::setLoadScript(const std::string& script) {
    if (script == loadScript_)
        return;
    loadScript_ = script;
    installPageScripts();
}

void WebKitEngine::runInEngineWorld(const std::string& script) {
    webkit_web_view_evaluate_javascript(
        view_.get(), script.c_str(), static_cast<gssize>(script.size()), engineWorld, nullptr,
        nullptr,
        [](GObject* source, GAsyncResult* result, gpointer) {
            GError* error = nullptr;
            auto value = adopt(webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source),
                                                                          result, &error));
            const GOwned<GError> failure(error);
        },
        nullptr);
}

// --- The client's events.

void WebKitEngine::post(std::function<void(ui::WebEngineClient&)> deliver) {
    auto event = std::make_shared<Event>();
    event->deliver = std::move(deliver);
    events_.push_back(std::move(event));
    scheduleFlush();
}

std::shared_ptr<WebKitEngine::Event> WebKitEngine::postLater() {
    auto event = std::make_shared<Event>();
    event->ready = false;
    events_.push_back(event);
    return event;
}

void WebKitEngine::scheduleFlush() {
    if (flushScheduled_)
        return;
    flushScheduled_ = true;
    std::weak_ptr<bool> alive = alive_;
    base::RunLoop::main().dispatch([this, alive] {
        if (!alive.lock())
            return;
        flushScheduled_ = false;
        flush();
    });
}

void WebKitEngine::flush() {
    if (flushing_)
        return;
    flushing_ = true;
    std::weak_ptr<bool> alive = alive_;
    while (!events_.empty() && events_.front()->ready) {
        auto event = std::move(events_.front());
        events_.pop_front();
        if (client_)
            event->deliver(*client_);
        if (!alive.lock())
            return; // the client let the engine go
    }
    flushing_ = false;
}

// --- Loads.

void WebKitEngine::expectOwnLoad() {
    ownLoadPending_ = true;
    ownLoadURLs_.clear();
    if (const char* uri = webkit_web_view_get_uri(view_.get()))
        ownLoadURLs_.push_back(uri);
}

void WebKitEngine::loadRequest(const net::URLRequest& request) {
    base::assertMainThread();
    const std::string url = request.url() ? request.url()->absoluteString() : std::string();
    const std::string method = request.HTTPMethod();
    if (!request.HTTPBody().empty() || (method != "GET" && method != "HEAD")) {
        base::log("The web engine loads no request with a body or the method " + method + ": " +
                  url);
        auto error = base::Error::make(ErrorDomain, RequestBodyNotSupported,
                                       "The web view cannot send a " + method +
                                           " request; fetch it and load the response instead.");
        error.userInfo[base::Error::failingURLStringKey] = base::Value(url);
        post([error](ui::WebEngineClient& client) { client.didFailLoad(error); });
        return;
    }
    auto webRequest = adopt(webkit_uri_request_new(url.c_str()));
    if (SoupMessageHeaders* headers = webkit_uri_request_get_http_headers(webRequest.get()))
        for (const auto& [name, value] : request.allHTTPHeaderFields().all())
            soup_message_headers_replace(headers, name.c_str(), value.c_str());
    webkit_web_view_load_request(view_.get(), webRequest.get());
    expectOwnLoad();
    ownLoadURLs_.push_back(url);
}

void WebKitEngine::loadHTMLString(const std::string& html,
                                  const std::optional<base::URL>& baseURL) {
    const std::string base = baseURL ? documentBase(view_.get(), *baseURL) : std::string();
    webkit_web_view_load_html(view_.get(), html.c_str(), baseURL ? base.c_str() : nullptr);
    expectOwnLoad();
    ownLoadURLs_.push_back(baseURL ? base : std::string("about:blank"));
}

void WebKitEngine::loadData(const base::Data& data, const std::string& MIMEType,
                            const std::string& textEncodingName,
                            const std::optional<base::URL>& baseURL) {
    const std::string base = baseURL ? documentBase(view_.get(), *baseURL) : std::string();
    auto bytes = adopt(g_bytes_new(data.bytes(), data.size()));
    webkit_web_view_load_bytes(view_.get(), bytes.get(),
                               MIMEType.empty() ? nullptr : MIMEType.c_str(),
                               textEncodingName.empty() ? nullptr : textEncodingName.c_str(),
                               baseURL ? base.c_str() : nullptr);
    expectOwnLoad();
    ownLoadURLs_.push_back(baseURL ? base : std::string("about:blank"));
}

void WebKitEngine::stopLoading() {
    webkit_web_view_stop_loading(view_.get());
    ownLoadPending_ = false;
}

void WebKitEngine::reload() {
    webkit_web_view_reload(view_.get());
}

void WebKitEngine::goBack() {
    webkit_web_view_go_back(view_.get());
}

void WebKitEngine::goForward() {
    webkit_web_view_go_forward(view_.get());
}

bool WebKitEngine::canGoBack() const {
    return webkit_web_view_can_go_back(view_.get());
}

bool WebKitEngine::canGoForward() const {
    return webkit_web_view_can_go_forward(view_.get());
}

bool WebKitEngine::isLoading() const {
    return loadActive_ || ownLoadPending_;
}

std::string WebKitEngine::committedURL() const {
    if (!committedURL_.empty())
        return committedURL_;
    return text(webkit_web_view_get_uri(view_.get()));
}

// --- Navigation decisions.

void WebKitEngine::navigationDecision(WebKitPolicyDecision* decision, bool newWindow) {
    WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
        WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    WebKitURIRequest* webRequest = webkit_navigation_action_get_request(action);
    const std::string uri = text(webkit_uri_request_get_uri(webRequest));
    const auto type = navigationType(webkit_navigation_action_get_navigation_type(action));
    const bool redirect = webkit_navigation_action_is_redirect(action);

    if (!newWindow && ownLoadPending_ && !redirect) {
        for (const std::string& own : ownLoadURLs_) {
            if (own == uri) {
                // Our own load: the client has let it through already.
                ownLoadPending_ = false;
                ownLoadURLs_.clear();
                nextStartIsOwn_ = true;
                webkit_policy_decision_use(decision);
                return;
            }
        }
    }

    net::URLRequest request = requestFrom(webRequest);
    auto event = postLater();
    if (newWindow) {
        // No window opens: the page is asked to load it here instead, as the platform did.
        webkit_policy_decision_ignore(decision);
        classified(event, std::move(request), static_cast<int>(newWindowNavigationType(action)),
                   true, nullptr, true);
        return;
    }
    if (type == ui::WebViewNavigationType::BackForward ||
        type == ui::WebViewNavigationType::Reload ||
        type == ui::WebViewNavigationType::FormResubmitted || (redirect && mainProvisional_)) {
        classified(event, std::move(request), static_cast<int>(type), true,
                   std::make_shared<Decision>(decision), false);
        return;
    }

    if (type == ui::WebViewNavigationType::LinkClicked) {
        if (auto known = clickedLinks_.find(uri); known != clickedLinks_.end()) {
            const bool isMainFrame = known->second;
            clickedLinks_.erase(known);
            classified(event, std::move(request), static_cast<int>(type), isMainFrame,
                       std::make_shared<Decision>(decision), false);
            return;
        }
    }
    if (clientScripts_ > 0 && type != ui::WebViewNavigationType::LinkClicked &&
        type != ui::WebViewNavigationType::FormSubmitted) {
        // Most likely a frame the client's script is adding: the frames the page has once the
        // script is done tell, with no probe of its own.
        parked_.push_back({event, std::move(request), static_cast<int>(type),
                           std::make_shared<Decision>(decision), uri});
        return;
    }
    askFrame(event, std::move(request), static_cast<int>(type),
             std::make_shared<Decision>(decision), uri);
}

void WebKitEngine::askFrame(const std::shared_ptr<Event>& event, net::URLRequest request, int type,
                            std::shared_ptr<Decision> decision, const std::string& uri) {
    ++framesAsked_;
    // Which frame is it for? Ask the page, in our own world.
    // The navigation waits in `decision` (refused if the engine goes first); the probe gives up
    // when the page takes too long to answer.
    struct Probe {
        std::weak_ptr<bool> alive;
        WebKitEngine* engine;
        std::shared_ptr<Event> event;
        net::URLRequest request;
        int type;
        std::shared_ptr<Decision> decision;
        GOwned<GSource> timeout;
    };
    auto cancellable = adopt(g_cancellable_new());
    auto timeout = adopt(g_timeout_source_new(probeTimeoutMilliseconds));
    g_source_set_callback(
        timeout.get(),
        [](gpointer data) -> gboolean {
            g_cancellable_cancel(G_CANCELLABLE(data));
            return G_SOURCE_REMOVE;
        },
        g_object_ref(cancellable.get()), g_object_unref);
    g_source_attach(timeout.get(), g_main_context_default());
    GVariantDict arguments;
    g_variant_dict_init(&arguments, nullptr);
    g_variant_dict_insert(&arguments, "u", "s", uri.c_str());
    g_variant_dict_insert(&arguments, "k", "i", type);
    webkit_web_view_call_async_javascript_function(
        view_.get(), engineScripts().probe.c_str(), -1, g_variant_dict_end(&arguments), engineWorld,
        nullptr, cancellable.get(),
        [](GObject* source, GAsyncResult* result, gpointer data) {
            auto probe = GLibCallbackData::take<Probe>(data);
            GError* error = nullptr;
            auto value = adopt(webkit_web_view_call_async_javascript_function_finish(
                WEBKIT_WEB_VIEW(source), result, &error));
            const GOwned<GError> failure(error);
            std::string answer;
            if (value && jsc_value_is_string(value.get()))
                answer = text(adopt(jsc_value_to_string(value.get())).get());

            bool isMainFrame = true;
            net::URLRequest request = std::move(probe->request);
            if (auto parsed = base::parseJSON(answer); parsed && parsed->isDictionary()) {
                const base::Value& found = *parsed;
                isMainFrame = found["frame"].stringValue().value_or("main") != "sub";
                if (auto body = found["body"].stringValue()) {
                    request.setHTTPMethod("POST");
                    request.setHTTPBody(base::Data::fromString(*body));
                    if (auto type = found["contentType"].stringValue();
                        type && !request.valueForHTTPHeaderField("Content-Type"))
                        request.setValueForHTTPHeaderField(*type, "Content-Type");
                }
            }
            if (probe->alive.lock())
                probe->engine->classified(probe->event, std::move(request), probe->type,
                                          isMainFrame, std::move(probe->decision), false);
        },
        GLibCallbackData::give(Probe{alive_, this, event, std::move(request), type,
                                     std::move(decision), std::move(timeout)}));
}

void WebKitEngine::resolveParked(const std::optional<std::vector<std::string>>& frames) {
    auto parked = std::exchange(parked_, {});
    for (Parked& waiting : parked) {
        if (!frames) {
            askFrame(waiting.event, std::move(waiting.request), waiting.type,
                     std::move(waiting.decision), waiting.uri);
            continue;
        }
        // As the probe finds it: a frame's navigation names that frame's address.
        const std::string address = waiting.uri.substr(0, waiting.uri.find('#'));
        const bool isSubFrame = std::find(frames->begin(), frames->end(), address) != frames->end();
        classified(waiting.event, std::move(waiting.request), waiting.type, !isSubFrame,
                   std::move(waiting.decision), false);
    }
}

void WebKitEngine::classified(const std::shared_ptr<Event>& event, net::URLRequest request,
                              int type, bool isMainFrame, std::shared_ptr<Decision> handle,
                              bool newWindow) {
    if (isMainFrame)
        request.setMainDocumentURL(request.url());
    else
        request.setMainDocumentURL(base::URL::parse(committedURL()));
    // A frame led to an address nothing loads stays as it is whatever the client answers:
    // answered at once, the document's load waits neither for the client nor for a frame load
    // that could only fail. The client is still asked (a page signals us this way).
    if (!isMainFrame && handle && !engineLoads(request.url()))
        handle->answer(false);
    std::weak_ptr<bool> alive = alive_;
    event->deliver = [this, alive, request, type, isMainFrame, handle,
                      newWindow](ui::WebEngineClient& client) {
        client.decidePolicy(request, static_cast<ui::WebViewNavigationType>(type), isMainFrame,
                            [this, alive, request, isMainFrame, handle, newWindow](bool allow) {
                                const bool engineLives = !alive.expired();
                                if (newWindow) {
                                    if (allow && engineLives) {
                                        loadRequest(request);
                                        nextReportedRequest_ = request;
                                    }
                                    return;
                                }
                                if (allow && isMainFrame && engineLives)
                                    mainDecisionAllowed(request);
                                handle->answer(allow);
                            });
    };
    event->ready = true;
    scheduleFlush();
}

void WebKitEngine::mainDecisionAllowed(const net::URLRequest& request) {
    allowedMainRequest_ = request;
}

void WebKitEngine::reportMainRequest(net::URLRequest request) {
    request.setMainDocumentURL(request.url());
    reportedMainURL_ = request.url() ? request.url()->absoluteString() : std::string();
    post([request](ui::WebEngineClient& client) { client.mainFrameRequestChanged(request); });
}

void WebKitEngine::responseDecision(WebKitPolicyDecision* decision) {
    auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    if (webkit_response_policy_decision_is_mime_type_supported(response)) {
        webkit_policy_decision_use(decision);
        return;
    }
    // Nothing is downloaded: a page the engine cannot show fails to load.
    base::log("The web view cannot show " +
              text(webkit_uri_response_get_mime_type(
                  webkit_response_policy_decision_get_response(response))) +
              " content; the load is dropped.");
    webkit_policy_decision_ignore(decision);
}

// --- Load events.

void WebKitEngine::loadChanged(int loadEvent) {
    const std::string uri = text(webkit_web_view_get_uri(view_.get()));
    switch (static_cast<WebKitLoadEvent>(loadEvent)) {
    case WEBKIT_LOAD_STARTED: {
        if (loadActive_) {
            // Another load replaces the one under way: that one ends as cancelled.
            auto error = base::Error::make(base::URLErrorDomain, base::URLErrorCancelled,
                                           "The load was replaced by another one.");
            post([error](ui::WebEngineClient& client) { client.didFailLoad(error); });
        }
        clickedLinks_.clear();
        abandonLoadScript();
        currentLoadIsOwn_ = nextStartIsOwn_ && !nextReportedRequest_;
        nextStartIsOwn_ = false;
        ownLoadPending_ = false;
        loadActive_ = true;
        mainProvisional_ = true;
        // WebKit still shows the old address here for a navigation of the page; the request
        // the client let through is the one starting.
        std::optional<net::URLRequest> starting = std::move(nextReportedRequest_);
        if (!starting && !currentLoadIsOwn_)
            starting = std::move(allowedMainRequest_);
        nextReportedRequest_.reset();
        allowedMainRequest_.reset();
        if (starting)
            reportMainRequest(*starting);
        post([](ui::WebEngineClient& client) { client.didStartLoad(); });
        break;
    }
    case WEBKIT_LOAD_REDIRECTED: {
        net::URLRequest request = requestForURL(uri);
        if (allowedMainRequest_ && allowedMainRequest_->url() &&
            allowedMainRequest_->url()->absoluteString() == uri)
            request = *allowedMainRequest_;
        allowedMainRequest_.reset();
        reportMainRequest(request);
        break;
    }
    case WEBKIT_LOAD_COMMITTED:
        mainProvisional_ = false;
        committedURL_ = uri;
        // A navigation that came without a decision the client saw (one from the page cache)
        // still moves the view's request.
        if (!currentLoadIsOwn_ && uri != reportedMainURL_)
            reportMainRequest(requestForURL(uri));
        reportedMainURL_ = uri;
        break;
    case WEBKIT_LOAD_FINISHED:
        mainProvisional_ = false;
        if (loadActive_) {
            loadActive_ = false;
            ++completedLoads_;
            WebKitWebsiteData::shared().readEngineCookies();
            post([](ui::WebEngineClient& client) { client.didFinishLoad(); });
        }
        break;
    }
}

void WebKitEngine::loadFailed(const char* failingURI, GError* error) {
    mainProvisional_ = false;
    if (!loadActive_ && !ownLoadPending_)
        return;
    loadActive_ = false;
    ownLoadPending_ = false;
    ++completedLoads_;
    base::Error failure = errorFromGError(error, text(failingURI));
    post([failure](ui::WebEngineClient& client) { client.didFailLoad(failure); });
}

void WebKitEngine::webProcessTerminated(int reason) {
    std::string why;
    switch (static_cast<WebKitWebProcessTerminationReason>(reason)) {
    case WEBKIT_WEB_PROCESS_CRASHED:
        why = "The page's web process crashed.";
        break;
    case WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT:
        why = "The page's web process used more memory than allowed and was stopped.";
        break;
    default:
        why = "The page's web process was stopped.";
        break;
    }
    base::log(why + " (" + committedURL() + ")");
    loadActive_ = false;
    ownLoadPending_ = false;
    mainProvisional_ = false;
    auto error = base::Error::make(ErrorDomain, WebProcessTerminated, why);
    error.userInfo[base::Error::failingURLStringKey] = base::Value(committedURL());
    post([error](ui::WebEngineClient& client) { client.didFailLoad(error); });
}

void WebKitEngine::titleChanged() {
    std::string title = text(webkit_web_view_get_title(view_.get()));
    post([title](ui::WebEngineClient& client) { client.titleChanged(title); });
}

void WebKitEngine::pageMessage(JSCValue* message) {
    if (!jsc_value_is_object(message))
        return;
    if (jsc_value_object_has_property(message, "loadScript")) {
        loadScriptMessage(message);
        return;
    }
    if (jsc_value_object_has_property(message, "link")) {
        auto link = adopt(jsc_value_object_get_property(message, "link"));
        auto main = adopt(jsc_value_object_get_property(message, "main"));
        if (jsc_value_is_string(link.get()) && jsc_value_is_boolean(main.get())) {
            // Clicks whose navigation never came (the page stopped it) are forgotten at the
            // next load; a page that keeps stopping them keeps only the last few.
            if (clickedLinks_.size() >= 16)
                clickedLinks_.clear();
            clickedLinks_[text(adopt(jsc_value_to_string(link.get())).get())] =
                jsc_value_to_boolean(main.get());
        }
        return;
    }
    auto number = [message](const char* name) {
        auto value = adopt(jsc_value_object_get_property(message, name));
        return jsc_value_is_number(value.get()) ? jsc_value_to_double(value.get()) : NAN;
    };
    const double w = number("w"), h = number("h"), x = number("x"), y = number("y");
    if (std::isfinite(w) && std::isfinite(h)) {
        ui::Size size(w, h);
        post([size](ui::WebEngineClient& client) { client.contentSizeChanged(size); });
    }
    if (std::isfinite(x) && std::isfinite(y)) {
        ui::Point offset(x, y);
        lastOffset_ = offset;
        post([offset](ui::WebEngineClient& client) { client.scrollOffsetChanged(offset); });
    }
}

void WebKitEngine::loadScriptMessage(JSCValue* message) {
    auto stage = adopt(jsc_value_object_get_property(message, "loadScript"));
    const std::string which =
        jsc_value_is_string(stage.get()) ? text(adopt(jsc_value_to_string(stage.get())).get()) : "";
    if (which == "start") {
        abandonLoadScript();
        loadScriptAnswer_ = postLater();
        ++clientScripts_;
        return;
    }
    if (which != "end" || !loadScriptAnswer_)
        return;
    const auto string = [message](const char* name) {
        auto value = adopt(jsc_value_object_get_property(message, name));
        return jsc_value_is_string(value.get())
                   ? text(adopt(jsc_value_to_string(value.get())).get())
                   : std::string();
    };
    const std::string answer = string("answer");
    const auto frames = frameAddresses(string("frames"));
    auto event = std::exchange(loadScriptAnswer_, nullptr);
    event->deliver = [answer](ui::WebEngineClient& client) { client.loadScriptAnswered(answer); };
    event->ready = true;
    if (--clientScripts_ == 0 && !parked_.empty())
        resolveParked(frames);
    scheduleFlush();
}

void WebKitEngine::abandonLoadScript() {
    if (!loadScriptAnswer_)
        return;
    auto event = std::exchange(loadScriptAnswer_, nullptr);
    event->deliver = [](ui::WebEngineClient&) {};
    event->ready = true;
    // Without the frames the page has, the navigations it started are asked about.
    if (--clientScripts_ == 0 && !parked_.empty())
        resolveParked(std::nullopt);
    scheduleFlush();
}

// --- Scripts.

std::optional<std::string> WebKitEngine::evaluateJavaScript(const std::string& script) {
    base::assertMainThread();
    struct Answer {
        bool done = false;
        std::optional<std::string> result;
    };
    auto answer = std::make_shared<Answer>();
    auto cancellable = adopt(g_cancellable_new());
    webkit_web_view_evaluate_javascript(
        view_.get(), script.c_str(), static_cast<gssize>(script.size()), nullptr, nullptr,
        cancellable.get(),
        [](GObject* source, GAsyncResult* result, gpointer data) {
            auto answer = GLibCallbackData::take<std::shared_ptr<Answer>>(data);
            GError* error = nullptr;
            auto value = adopt(webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source),
                                                                          result, &error));
            const GOwned<GError> failure(error);
            if (value && (jsc_value_is_undefined(value.get()) || jsc_value_is_null(value.get())))
                (*answer)->result = std::string();
            else if (value)
                (*answer)->result = text(adopt(jsc_value_to_string(value.get())).get());
            (*answer)->done = true;
        },
        GLibCallbackData::give(answer));
    // The engine's answer comes through GLib; the run loop's own work (this engine's events
    // among it) waits, so the caller is not re-entered.
    ++clientScripts_;
    const bool answered =
        base::RunLoop::main().runOthersUntil([&] { return answer->done; }, scriptTimeout_);
    if (!answered)
        g_cancellable_cancel(cancellable.get());
    // The navigations the script started reach us before its answer. Only when it started
    // some are the frames the page then has asked for: a navigation of a frame the script
    // added is known for a frame's without a probe of its own.
    std::optional<std::vector<std::string>> frames;
    if (answered && clientScripts_ == 1 && !parked_.empty())
        frames = frameAddressesNow();
    --clientScripts_;
    if (clientScripts_ == 0 && !parked_.empty())
        resolveParked(frames);
    if (!answer->done) {
        base::log("A script got no answer from the page in time; it counts as failed.");
        return std::nullopt;
    }
    return answer->result;
}

void WebKitEngine::runJavaScript(const std::string& script) {
    base::assertMainThread();
    // No answer is waited for: the navigations the script starts are decided as the page's
    // own, each frame asked of the page.
    webkit_web_view_evaluate_javascript(view_.get(), script.c_str(),
                                        static_cast<gssize>(script.size()), nullptr, nullptr,
                                        nullptr, nullptr, nullptr);
}

std::optional<std::vector<std::string>> WebKitEngine::frameAddressesNow() {
    ++framesListed_;
    struct Frames {
        bool done = false;
        std::optional<std::vector<std::string>> addresses;
    };
    auto frames = std::make_shared<Frames>();
    auto cancellable = adopt(g_cancellable_new());
    webkit_web_view_evaluate_javascript(
        view_.get(), engineScripts().frames.c_str(), -1, engineWorld, nullptr, cancellable.get(),
        [](GObject* source, GAsyncResult* result, gpointer data) {
            auto frames = GLibCallbackData::take<std::shared_ptr<Frames>>(data);
            GError* error = nullptr;
            auto value = adopt(webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source),
                                                                          result, &error));
            const GOwned<GError> failure(error);
            if (value && jsc_value_is_string(value.get()))
                (*frames)->addresses =
                    frameAddresses(text(adopt(jsc_value_to_string(value.get())).get()));
            (*frames)->done = true;
        },
        GLibCallbackData::give(frames));
    // Waited for, so that nothing of the call outlives it.
    if (!base::RunLoop::main().runOthersUntil([&] { return frames->done; }, scriptTimeout_))
        g_cancellable_cancel(cancellable.get());
    return frames->addresses;
}

// --- Settings and scrolling.

void WebKitEngine::applySettings(const ui::WebViewSettings& settings) {
    WebKitSettings* webSettings = webkit_web_view_get_settings(view_.get());
    webkit_settings_set_media_playback_requires_user_gesture(
        webSettings, settings.mediaPlaybackRequiresUserAction);
    webkit_settings_set_media_playback_allows_inline(webSettings,
                                                     settings.allowsInlineMediaPlayback);
    // The other settings have no counterpart here: pages are laid out at the view's width,
    // nothing is turned into links, and a desktop has no on-screen keyboard to hold back.
}

void WebKitEngine::scrollTo(ui::Point offset) {
    lastOffset_ = offset;
    runInEngineWorld("window.__gtkEngine && window.__gtkEngine.scrollTo(" + formatNumber(offset.x) +
                     ", " + formatNumber(offset.y) + ")");
}

void WebKitEngine::pressTaken(ui::Point point) {
    runInEngineWorld("window.__gtkEngine && window.__gtkEngine.pressTaken(" +
                     formatNumber(point.x) + ", " + formatNumber(point.y) + ")");
}

void WebKitEngine::setContentInset(ui::EdgeInsets insets) {
    if (insets == inset_)
        return;
    inset_ = insets;
    installPageScripts();
    runInEngineWorld("if (window.__gtkEngine) { window.__gtkEngine.setInset(" +
                     formatNumber(inset_.top) + "); window.__gtkEngine.scrollTo(" +
                     formatNumber(lastOffset_.x) + ", " + formatNumber(lastOffset_.y) + "); }");
}

bool WebKitEngine::canShowMIMEType(const std::string& MIMEType) const {
    return webkit_web_view_can_show_mime_type(view_.get(), MIMEType.c_str());
}

// --- Errors.

base::Error WebKitEngine::errorFromGError(const GError* error, const std::string& failingURL) {
    std::string domain = base::URLErrorDomain;
    long code = base::URLErrorUnknown;
    const std::string message = error && error->message ? error->message : "The load failed.";
    if (!error) {
        // keep the unknown error
    } else if (error->domain == WEBKIT_NETWORK_ERROR) {
        switch (error->code) {
        case WEBKIT_NETWORK_ERROR_CANCELLED:
            code = base::URLErrorCancelled;
            break;
        case WEBKIT_NETWORK_ERROR_UNKNOWN_PROTOCOL:
            code = base::URLErrorUnsupportedURL;
            break;
        case WEBKIT_NETWORK_ERROR_FILE_DOES_NOT_EXIST:
            code = base::URLErrorFileDoesNotExist;
            break;
        case WEBKIT_NETWORK_ERROR_TRANSPORT:
            code = base::URLErrorCannotConnectToHost;
            break;
        default:
            break;
        }
    } else if (error->domain == WEBKIT_POLICY_ERROR) {
        domain = ErrorDomain;
        switch (error->code) {
        case WEBKIT_POLICY_ERROR_CANNOT_SHOW_MIME_TYPE:
            code = CannotShowMIMEType;
            break;
        case WEBKIT_POLICY_ERROR_CANNOT_SHOW_URI:
            code = CannotShowURL;
            break;
        case WEBKIT_POLICY_ERROR_CANNOT_USE_RESTRICTED_PORT:
            code = CannotUseRestrictedPort;
            break;
        default:
            code = FrameLoadInterrupted;
            break;
        }
    } else if (error->domain == G_IO_ERROR) {
        switch (error->code) {
        case G_IO_ERROR_CANCELLED:
            code = base::URLErrorCancelled;
            break;
        case G_IO_ERROR_CONNECTION_REFUSED:
        case G_IO_ERROR_HOST_UNREACHABLE:
            code = base::URLErrorCannotConnectToHost;
            break;
        case G_IO_ERROR_TIMED_OUT:
            code = base::URLErrorTimedOut;
            break;
        case G_IO_ERROR_NETWORK_UNREACHABLE:
            code = base::URLErrorNotConnectedToInternet;
            break;
        case G_IO_ERROR_CONNECTION_CLOSED: // also "broken pipe"
            code = base::URLErrorNetworkConnectionLost;
            break;
        default:
            break;
        }
    } else if (error->domain == G_RESOLVER_ERROR) {
        code = base::URLErrorCannotFindHost;
    } else if (error->domain == G_TLS_ERROR) {
        code = base::URLErrorSecureConnectionFailed;
    }
    auto result = base::Error::make(domain, code, message);
    if (!failingURL.empty())
        result.userInfo[base::Error::failingURLStringKey] = base::Value(failingURL);
    return result;
}

} // namespace gtk
