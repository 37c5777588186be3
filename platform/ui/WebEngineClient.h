#pragma once

#include "platform/base/Error.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/WebViewNavigationType.h"

#include <functional>
#include <string>

namespace net {
class URLRequest;
}

namespace ui {

class WebView;

// What an engine tells the web view it serves. Every call happens on the main thread; the
// view may hold a call back and make it later (see WebView), so the engine must not expect
// an answer before the call returns.
class WebEngineClient {
public:
    // Answers a navigation: true lets the frame load the request, false drops it. Called
    // exactly once, possibly after decidePolicy has returned.
    using PolicyDecision = std::function<void(bool allow)>;

    virtual ~WebEngineClient() = default;

    // The view this client is, when it is one (to tell a resource handler who asks).
    virtual WebView* clientWebView() { return nullptr; }

    // A frame is about to load `request`. For a sub-frame the request's main document URL is
    // the page's, not the frame's.
    virtual void decidePolicy(const net::URLRequest& request, WebViewNavigationType type,
                              bool isMainFrame, PolicyDecision decide) = 0;
    // The main frame moved on to another request (a link that was let through, a redirect,
    // a history step); the view reports it as its request from now on.
    virtual void mainFrameRequestChanged(const net::URLRequest& request) = 0;
    // The main frame started, finished or failed loading; sub-frames' loads are not reported.
    // The WebKit engine ends each load it reports started with one finish or one failure (a
    // load replaced by another fails as cancelled); a failure may also come with no start
    // (a request it will not send, a web process that ended). FakeWebEngine reports what its
    // test raises.
    virtual void didStartLoad() = 0;
    virtual void didFinishLoad() = 0;
    virtual void didFailLoad(const base::Error& error) = 0;
    virtual void titleChanged(const std::string& title) = 0;
    // The load script (WebEngine::setLoadScript) ran in the document that just loaded.
    virtual void loadScriptAnswered(const std::string& answer) = 0;
    // The page's size or scroll position changed; the view moves its scroll view to match.
    virtual void contentSizeChanged(Size size) = 0;
    virtual void scrollOffsetChanged(Point offset) = 0;
};

} // namespace ui
