#pragma once

#include "platform/base/Error.h"
#include "platform/base/Seconds.h"
#include "platform/gtk/GOwned.h"
#include "platform/net/URLRequest.h"
#include "platform/ui/WebEngine.h"
#include "platform/ui/WebEngineFactory.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

typedef struct _GtkWidget GtkWidget;
typedef struct _WebKitWebView WebKitWebView;
typedef struct _WebKitPolicyDecision WebKitPolicyDecision;
typedef struct _WebKitUserContentManager WebKitUserContentManager;
typedef struct _JSCValue JSCValue;

namespace ui {
class WebView;
}

namespace gtk {

// The real web engine: a WebKitWebView (WebKitGTK 6.0) behind a ui::WebView.
//
// - Navigations the page starts (links, forms, frames, scripts, redirects, history steps,
//   reload) are held in WebKit while the client decides; a refusal drops them, so nothing of
//   them loads. WebKit does not say which frame a navigation is for: a small script in an
//   isolated world looks at the page when the decision comes (a frame element naming the
//   address makes it a sub-frame's; a link or form of a sub-frame's document that matches,
//   and none of the main document, too). The same script collects a form's fields, so that a
//   form post reaches the client with its method and body.
// - Start, finish and failure are those of the main frame, each reported once per load.
// - Scripts run synchronously: the engine serves GLib's main context but not the run loop's
//   own functions (RunLoop::runOthersUntil) until the answer comes or the time-out passes.
// - The page reports its size and scroll position from an isolated world; the client's
//   scroll view follows, and moving the scroll view from code scrolls the page. A top inset
//   pads the page at its top, and offsets count from above it, as a scroll view's do.
// - Every engine uses the process's WebKitWebsiteData session: cookies shared with
//   net::CookieStorage, caches cleared with net::URLCache. The user agent is WebKit's own.
// - A web process that ends (crash, memory limit) fails the page with ErrorDomain /
//   WebProcessTerminated; script dialogs are answered at once (no dialog can block a script).
//
// Events reach the client from the main run loop, in the order WebKit gave them. Main thread
// only; GTK must be initialised (GtkPlatform::install).
class WebKitEngine final : public ui::WebEngine {
public:
    static constexpr const char* ErrorDomain = "WebKitErrorDomain";
    enum ErrorCode : long {
        CannotShowMIMEType = 100,
        CannotShowURL = 101,
        FrameLoadInterrupted = 102,
        CannotUseRestrictedPort = 103,
        // The page's web process ended (crash, memory limit, killed).
        WebProcessTerminated = 300,
        // The engine does not send requests with a body (loadRequest of a POST).
        RequestBodyNotSupported = 301,
    };
    static constexpr base::Seconds defaultScriptTimeout{10};

    // An engine sharing the web process of `relatedTo` when given.
    explicit WebKitEngine(WebKitEngine* relatedTo = nullptr);
    ~WebKitEngine() override;
    WebKitEngine(const WebKitEngine&) = delete;
    WebKitEngine& operator=(const WebKitEngine&) = delete;

    // What WebEngineFactory::install takes: a WebKitEngine for each new view, related to the
    // given engine when that one is a WebKitEngine too.
    static ui::WebEngineFactory::Maker maker();

    // The WebKitWebView, for the window to place (it is owned by the engine; the window may
    // take its own reference).
    WebKitWebView* webKitView() const { return view_.get(); }
    GtkWidget* widget() const;
    // The engine of one of its WebKitWebViews; null for another view.
    static WebKitEngine* engineOfView(WebKitWebView* view);
    // The ui::WebView the engine serves, when its client tells.
    ui::WebView* clientWebView() const;

    base::Seconds scriptTimeout() const { return scriptTimeout_; }
    void setScriptTimeout(base::Seconds timeout) { scriptTimeout_ = timeout; }

    // The inset the view last handed over (only its top is used).
    const ui::EdgeInsets& contentInset() const { return inset_; }

    // The window took a press from the page (a long press the application handled): it is no
    // click, so what it gave focus to in the page (a link under the point, in the page
    // widget's coordinates) loses that focus again and is not shown focused afterwards.
    void pressTaken(ui::Point point);

    // Main-frame loads that have ended, finished or failed (the window waits for the first).
    int completedLoads() const { return completedLoads_; }

    // Events made but not yet handed to the client (tests wait for 0).
    std::size_t pendingEventCount() const { return events_.size(); }
    // Navigations whose frame had to be asked of the page (tests check when none is needed).
    int framesAsked() const { return framesAsked_; }
    // Times the page's frames were read behind a client's script (tests check that a script
    // that starts no navigation costs no such read).
    int framesListed() const { return framesListed_; }

    // --- ui::WebEngine.
    void setClient(ui::WebEngineClient* client) override { client_ = client; }
    void loadRequest(const net::URLRequest& request) override;
    void loadHTMLString(const std::string& html, const std::optional<base::URL>& baseURL) override;
    void loadData(const base::Data& data, const std::string& MIMEType,
                  const std::string& textEncodingName,
                  const std::optional<base::URL>& baseURL) override;
    void stopLoading() override;
    void reload() override;
    void goBack() override;
    void goForward() override;
    bool canGoBack() const override;
    bool canGoForward() const override;
    bool isLoading() const override;
    std::optional<std::string> evaluateJavaScript(const std::string& script) override;
    void runJavaScript(const std::string& script) override;
    void setLoadScript(const std::string& script) override;
    void applySettings(const ui::WebViewSettings& settings) override;
    void scrollTo(ui::Point offset) override;
    // Space kept free above the page (the top inset of the view's scroll view). The page's
    // offset keeps its meaning: the content is moved, not scrolled.
    void setContentInset(ui::EdgeInsets insets) override;
    bool canShowMIMEType(const std::string& MIMEType) const override;

    // The error a GError of WebKit stands for (URL errors in their platform codes).
    static base::Error errorFromGError(const GError* error, const std::string& failingURL);

private:
    struct Event {
        std::function<void(ui::WebEngineClient&)> deliver;
        bool ready = true;
    };
    class Decision;
    // A navigation decided while a script of the client runs, waiting for the frames the page
    // has once that script is done.
    struct Parked {
        std::shared_ptr<Event> event;
        net::URLRequest request;
        int type;
        std::shared_ptr<Decision> decision;
        std::string uri;
    };

    // Queue of events for the client, delivered from the run loop.
    void post(std::function<void(ui::WebEngineClient&)> deliver);
    std::shared_ptr<Event> postLater();
    void scheduleFlush();
    void flush();

    void expectOwnLoad();
    void installPageScripts();
    void runInEngineWorld(const std::string& script);

    // WebKit signals.
    void navigationDecision(WebKitPolicyDecision* decision, bool newWindow);
    void responseDecision(WebKitPolicyDecision* decision);
    // `decision` is null for a page's new window, which has been refused already.
    void classified(const std::shared_ptr<Event>& event, net::URLRequest request, int type,
                    bool isMainFrame, std::shared_ptr<Decision> decision, bool newWindow);
    // Asks the page which frame the navigation is for (and a form's body).
    void askFrame(const std::shared_ptr<Event>& event, net::URLRequest request, int type,
                  std::shared_ptr<Decision> decision, const std::string& uri);
    // With the frames the page had after the client's script (none when they did not come).
    void resolveParked(const std::optional<std::vector<std::string>>& frames);
    // The address of every frame the page has now (engine_frames.js); nullopt when the page
    // gave none in time.
    std::optional<std::vector<std::string>> frameAddressesNow();
    void loadChanged(int loadEvent);
    void loadFailed(const char* failingURI, GError* error);
    void webProcessTerminated(int reason);
    void titleChanged();
    void pageMessage(JSCValue* message);
    void loadScriptMessage(JSCValue* message);
    // The load script of a document that went away before it could answer.
    void abandonLoadScript();

    std::string committedURL() const;
    void mainDecisionAllowed(const net::URLRequest& request);
    void reportMainRequest(net::URLRequest request);

    // The view goes first: it uses the content manager.
    GOwned<WebKitUserContentManager> contentManager_;
    GOwned<WebKitWebView> view_;
    ui::WebEngineClient* client_ = nullptr;
    base::Seconds scriptTimeout_ = defaultScriptTimeout;
    ui::EdgeInsets inset_;
    ui::Point lastOffset_;

    std::deque<std::shared_ptr<Event>> events_;
    bool flushScheduled_ = false;
    bool flushing_ = false;

    // The addresses our own latest load may ask WebKit's policy about (as given and as WebKit
    // wrote it); its decision is let through without asking the client again.
    std::vector<std::string> ownLoadURLs_;
    bool ownLoadPending_ = false;
    // The next start of the main frame is that of our own load (the client knows its request).
    bool nextStartIsOwn_ = false;
    bool currentLoadIsOwn_ = false;
    // The main frame's address as the client knows it.
    std::string reportedMainURL_;
    // A request to report as the main frame's at the next start (a page's new window).
    std::optional<net::URLRequest> nextReportedRequest_;
    // The main frame's navigation in progress: started and not yet committed or failed.
    bool mainProvisional_ = false;
    bool loadActive_ = false;
    int completedLoads_ = 0;
    std::string committedURL_;
    std::optional<net::URLRequest> allowedMainRequest_;

    // Links the page saw clicked, by address, and whether they load in the main frame: their
    // navigations need no probe.
    std::map<std::string, bool> clickedLinks_;
    int clientScripts_ = 0;
    std::string loadScript_;
    // The load script's answer while the script runs in the page: its place in the queue comes
    // before the navigations the script starts.
    std::shared_ptr<Event> loadScriptAnswer_;
    std::vector<Parked> parked_;
    int framesAsked_ = 0;
    int framesListed_ = 0;

    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace gtk
