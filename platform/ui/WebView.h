#pragma once

#include "platform/base/Data.h"
#include "platform/base/URL.h"
#include "platform/net/URLRequest.h"
#include "platform/ui/View.h"
#include "platform/ui/WebEngineClient.h"
#include "platform/ui/WebViewSettings.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace ui {

class ScrollView;
class WebEngine;
class WebViewDelegate;

// A view that shows web pages through a WebEngine made by WebEngineFactory. The view keeps
// what callers read back (the current request, the scroll view, the settings) and talks to
// its weakly held delegate; the engine does the loading.
//
// Loads started here (loadRequest, loadHTMLString, loadData) first ask the delegate, with
// navigation type Other; a refused load never reaches the engine. HTML or data loaded without
// a base URL reports "about:blank" as the request's URL.
//
// Engine events that arrive while a script is being evaluated, or while the delegate is
// already being called, are held and delivered afterwards in the order they came, so
// delegate code is never re-entered from inside its own call. Commands given while events
// are held (loads, stop, reload, history steps) wait their turn behind them.
class WebView : public View, private WebEngineClient {
public:
    explicit WebView(const Rect& frame = Rect(), WebView* relatedTo = nullptr);
    ~WebView() override;

    // `relatedTo` asks the engine to share that view's web process (see WebEngineFactory).
    static std::shared_ptr<WebView> create(const Rect& frame = Rect(),
                                           WebView* relatedTo = nullptr);
    std::string className() const override { return "WebView"; }
    // The web view made first of those alive in the process (a host's first page, when it
    // made one before anything else); null when none lives. Views that should run in a web
    // process already there rather than start one are made related to it. Main thread.
    static WebView* oldestLiveWebView();
    // How many web views are alive in the process (each holds a page of the engine). Main thread.
    static std::size_t liveWebViewCount();

    std::shared_ptr<WebViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<WebViewDelegate> delegate) { delegate_ = std::move(delegate); }

    // The request the main frame shows or is loading; nullopt before the first load.
    const std::optional<net::URLRequest>& request() const { return request_; }

    void loadRequest(const net::URLRequest& request);
    void loadHTMLString(const std::string& html, const std::optional<base::URL>& baseURL);
    // Whether the engine can show a response of this MIME type as a page.
    bool canShowMIMEType(const std::string& MIMEType) const;
    void loadData(const base::Data& data, const std::string& MIMEType,
                  const std::string& textEncodingName, const std::optional<base::URL>& baseURL);
    void stopLoading();
    void reload();
    void goBack();
    void goForward();
    bool canGoBack() const;
    bool canGoForward() const;
    bool isLoading() const;

    // Runs the script in the page and returns its result as text; "" when it fails. Waits
    // for the engine's answer.
    std::string stringByEvaluatingJavaScriptFromString(const std::string& script);
    // Runs the script in the page without waiting for the engine: for a command whose answer,
    // if any, comes back through the page's navigations. Scripts run in the order given.
    void runJavaScript(const std::string& script);
    // A script every top-level document loaded from now on runs itself at its load event,
    // with no trip to the page; its answer goes to webViewLoadScriptAnswered (see
    // WebEngine::setLoadScript). Empty for none.
    void setLoadScript(const std::string& script);

    // The scroll view that stands for the page's scrolling: the engine keeps its content
    // size and offset; moving it from code scrolls the page, and its content inset reaches
    // the engine whenever it changes.
    const std::shared_ptr<ScrollView>& scrollView();

    // The page's title as the engine last reported it (the window shows it).
    const std::string& pageTitle() const { return pageTitle_; }

    const WebViewSettings& settings() const { return settings_; }
    bool scalesPageToFit() const { return settings_.scalesPageToFit; }
    void setScalesPageToFit(bool on);
    unsigned dataDetectorTypes() const { return settings_.dataDetectorTypes; }
    void setDataDetectorTypes(unsigned types);
    bool allowsInlineMediaPlayback() const { return settings_.allowsInlineMediaPlayback; }
    void setAllowsInlineMediaPlayback(bool on);
    bool mediaPlaybackRequiresUserAction() const {
        return settings_.mediaPlaybackRequiresUserAction;
    }
    void setMediaPlaybackRequiresUserAction(bool on);
    bool keyboardDisplayRequiresUserAction() const {
        return settings_.keyboardDisplayRequiresUserAction;
    }
    void setKeyboardDisplayRequiresUserAction(bool on);
    bool suppressesIncrementalRendering() const { return settings_.suppressesIncrementalRendering; }
    void setSuppressesIncrementalRendering(bool on);

    // The engine, for the drawer and for tests (FakeWebEngine::of).
    WebEngine& engine() { return *engine_; }

    // Whether events are being held right now (inside a script or a delegate call).
    bool isHoldingEvents() const { return scriptDepth_ > 0 || delivering_; }

protected:
    void boundsSizeDidChange(Size oldSize) override;

private:
    // WebEngineClient.
    WebView* clientWebView() override { return this; }
    void decidePolicy(const net::URLRequest& request, WebViewNavigationType type, bool isMainFrame,
                      PolicyDecision decide) override;
    void mainFrameRequestChanged(const net::URLRequest& request) override;
    void didStartLoad() override;
    void didFinishLoad() override;
    void didFailLoad(const base::Error& error) override;
    void titleChanged(const std::string& title) override;
    void loadScriptAnswered(const std::string& answer) override;
    void contentSizeChanged(Size size) override;
    void scrollOffsetChanged(Point offset) override;

    // Runs `step` now, or queues it behind held events.
    void perform(std::function<void()> step);
    void deliverHeld();
    bool askDelegate(const net::URLRequest& request, WebViewNavigationType type);
    void startLoad(net::URLRequest reported, std::function<void()> load);
    void applySettings();
    void scrollViewWasMoved(Point offset);
    // A view cannot take subviews while it is being constructed: the scroll view goes in on
    // first use.
    void attachScrollView();

    std::unique_ptr<WebEngine> engine_;
    std::shared_ptr<ScrollView> scrollView_;
    std::weak_ptr<WebViewDelegate> delegate_;
    std::optional<net::URLRequest> request_;
    std::string pageTitle_;
    WebViewSettings settings_;
    int scriptDepth_ = 0;
    bool delivering_ = false;
    bool engineScrolling_ = false;
    std::deque<std::function<void()>> held_;
};

} // namespace ui
