#pragma once

#include "platform/base/Data.h"
#include "platform/base/URL.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ui {

class WebView;

// Resources that the program answers itself when a page asks for them, instead of the network:
// while interception is active, a page's request (of any frame, for any kind of resource) whose
// URL's last path segment is one of the installed file names goes to the handler; what the
// handler answers is the response, and nullopt sends the request on to the network as usual.
// The handler learns which web view asked when the engine can tell (the WebKit engine can;
// null otherwise).
//
// Engines decide in their page's process whether a request is one to intercept, from the names
// and the active flag they were last told: a change reaches pages that are already loading a
// little later, so callers turn interception on before the pages that need it start loading.
//
// Process-wide; main thread only.
class WebResourceInterception {
public:
    struct Resource {
        std::string MIMEType;
        base::Data data;
    };
    using Handler = std::function<std::optional<Resource>(const base::URL& url, WebView* webView)>;
    using Observer = std::function<void()>;

    WebResourceInterception() = delete;

    // Replaces the names and the handler (an empty list or handler intercepts nothing).
    static void install(std::vector<std::string> fileNames, Handler handler);
    static void setActive(bool active);
    static bool isActive();
    static const std::vector<std::string>& fileNames();
    // Whether a request of this URL is one to offer the handler now.
    static bool intercepts(const base::URL& url);
    // The handler's answer for a request the engine intercepted; nullopt without handler.
    static std::optional<Resource> resourceForURL(const base::URL& url, WebView* webView);

    // Observers hear every change of the names or of the active flag (the engines pass them
    // to their page processes). One observer at a time is enough for the one real engine;
    // an empty observer removes it.
    static void setObserver(Observer observer);

    // Back to no names, no handler, inactive, no observer (tests).
    static void reset();
};

} // namespace ui
