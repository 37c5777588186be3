#pragma once

#include "platform/base/Data.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/WebViewSettings.h"

#include <optional>
#include <string>

namespace base {
class URL;
}
namespace net {
class URLRequest;
}

namespace ui {

class WebEngineClient;

// The page side of a WebView: loads pages, runs scripts and reports what happens through
// the client it is given. WebView holds the view-side state, so an engine needs no
// knowledge of delegates, of "about:blank" or of when its events may be delivered.
// The program uses the WebKitGTK engine; unit tests use FakeWebEngine (platform/testing).
class WebEngine {
public:
    virtual ~WebEngine() = default;

    // The view that hears this engine; null detaches it. The engine never owns its client.
    virtual void setClient(WebEngineClient* client) = 0;

    // Loads the view hands over have already been let through by its delegate: the engine
    // does not ask the client about them again. Navigations the engine starts itself (a link,
    // a form, a frame, a script, a redirect, reload, back and forward) go to decidePolicy.
    virtual void loadRequest(const net::URLRequest& request) = 0;
    // `baseURL` resolves the page's relative addresses; without one the page has no origin.
    virtual void loadHTMLString(const std::string& html,
                                const std::optional<base::URL>& baseURL) = 0;
    virtual void loadData(const base::Data& data, const std::string& MIMEType,
                          const std::string& textEncodingName,
                          const std::optional<base::URL>& baseURL) = 0;
    virtual void stopLoading() = 0;
    virtual void reload() = 0;
    virtual void goBack() = 0;
    virtual void goForward() = 0;
    virtual bool canGoBack() const = 0;
    virtual bool canGoForward() const = 0;
    virtual bool isLoading() const = 0;

    // Runs `script` in the main frame and waits for its result as text, pumping the
    // engine's events meanwhile (the client is told of them as they come). Nullopt when the
    // script throws, the page is gone or the result cannot be had.
    virtual std::optional<std::string> evaluateJavaScript(const std::string& script) = 0;
    // Runs `script` in the main frame without waiting for it; its result is dropped. Scripts
    // run in the order given, and the navigations one starts reach the client as the page's
    // own do. An engine that cannot do without waiting waits.
    virtual void runJavaScript(const std::string& script) { (void)evaluateJavaScript(script); }
    // Has every top-level document loaded from now on run `script` (an expression; empty for
    // none) itself when its load event fires, and report the result as text through
    // loadScriptAnswered, before any navigation the script starts: no trip to the page after
    // the load. It runs in a world of the engine's own, which shares the page's document but
    // not its script's globals. An engine that cannot runs nothing.
    virtual void setLoadScript(const std::string& script) { (void)script; }

    virtual void applySettings(const WebViewSettings& settings) = 0;
    // The view's scroll view was moved by code: show the page from that offset.
    virtual void scrollTo(Point offset) = 0;
    // The view's scroll view has a new content inset: keep that much space free around the
    // page (offsets keep counting from above the top inset, as a scroll view's do). An engine
    // that cannot pad its page may ignore it.
    virtual void setContentInset(EdgeInsets insets) { (void)insets; }
    // Whether a response of this MIME type ("application/zip") can be shown as a page; what
    // cannot is neither shown nor saved.
    virtual bool canShowMIMEType(const std::string& MIMEType) const {
        (void)MIMEType;
        return true;
    }
};

} // namespace ui
