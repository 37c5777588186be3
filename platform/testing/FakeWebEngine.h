#pragma once

#include "platform/base/Data.h"
#include "platform/base/Error.h"
#include "platform/base/URL.h"
#include "platform/net/URLRequest.h"
#include "platform/ui/WebEngine.h"
#include "platform/ui/WebEngineFactory.h"
#include "platform/ui/WebResourceInterception.h"
#include "platform/ui/WebViewNavigationType.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace ui {

class WebView;

// A web engine for unit tests: it shows no page and parses nothing. It records what its
// view asks (loads, scripts, stops, history steps, settings), answers scripts from a table
// the test fills, and lets the test play the page: raise navigations (which ask the view's
// delegate), start, finish and failure of loads, a title, a content size and scrolling.
// It lives in the test library and never ships in the program: a test installs maker() in
// WebEngineFactory (testing_support::PlatformTest does so for every test).
class FakeWebEngine final : public WebEngine {
public:
    struct HTMLLoad {
        std::string html;
        std::optional<base::URL> baseURL;
    };
    struct DataLoad {
        base::Data data;
        std::string MIMEType;
        std::string textEncodingName;
        std::optional<base::URL> baseURL;
    };
    using Load = std::variant<net::URLRequest, HTMLLoad, DataLoad>;

    struct Navigation {
        net::URLRequest request;
        WebViewNavigationType type;
        bool isMainFrame;
        // Unset until the view has answered.
        std::optional<bool> allowed;
    };

    // A script handler gets the script and answers its result, or nullopt for a failure.
    using ScriptHandler = std::function<std::optional<std::string>(const std::string& script)>;

    // An engine of its own web process, or one sharing the process of `relatedTo`.
    explicit FakeWebEngine(FakeWebEngine* relatedTo = nullptr);
    ~FakeWebEngine() override;

    // What WebEngineFactory::install takes: a FakeWebEngine for each new view, related to the
    // engine it is asked to share a process with when that is a FakeWebEngine too.
    static WebEngineFactory::Maker maker();

    // The fake engine of a view; throws std::logic_error when the view runs another engine.
    static FakeWebEngine& of(WebView& view);

    // Engines made related share this number.
    int processIdentifier() const { return processIdentifier_; }

    // --- Scripts. An exact script from the table wins; then the fallback; with neither the
    // evaluation fails. A handler may raise events: the view holds them until the script
    // has returned, as a real engine's events arrive while it waits for the answer.
    void answerScript(std::string script, std::string result);
    void answerScript(std::string script, ScriptHandler handler);
    void setScriptFallback(ScriptHandler handler) { fallback_ = std::move(handler); }
    const std::vector<std::string>& evaluatedScripts() const { return scripts_; }

    // --- What the view asked.
    const std::vector<Load>& loads() const { return loads_; }
    int stopCount() const { return stopCount_; }
    int reloadCount() const { return reloadCount_; }
    int goBackCount() const { return goBackCount_; }
    int goForwardCount() const { return goForwardCount_; }
    const WebViewSettings& settings() const { return settings_; }
    // Offsets the view's scroll view was moved to by code.
    const std::vector<Point>& scrolledTo() const { return scrolledTo_; }
    // The content insets the view handed over, in order.
    const std::vector<EdgeInsets>& contentInsets() const { return contentInsets_; }
    void setCanGoBack(bool can) { canGoBack_ = can; }
    void setCanGoForward(bool can) { canGoForward_ = can; }

    // --- Playing the page. raiseNavigation asks the view for a decision and returns it when
    // the view answered before returning (nullopt while the view holds the question). A main
    // frame that is let through moves the view's request to the navigation's.
    std::optional<bool> raiseNavigation(net::URLRequest request, WebViewNavigationType type,
                                        bool isMainFrame = true);
    // The same for a URL: a main frame's request has the URL as main document URL; a
    // sub-frame's has the page's current URL.
    std::optional<bool> raiseNavigation(const base::URL& url, WebViewNavigationType type,
                                        bool isMainFrame = true);
    const std::vector<Navigation>& navigations() const { return *navigations_; }
    void raiseStartLoad();
    void raiseFinishLoad();
    void raiseFailLoad(const base::Error& error);
    void raiseTitle(const std::string& title);
    // The load script's answer in a document that loaded.
    void raiseLoadScriptAnswer(const std::string& answer);
    // The load script the view handed over last.
    const std::string& loadScript() const { return loadScript_; }
    // The page asks for a resource (a script, an image): the answer of the process's
    // WebResourceInterception when it intercepts the URL now, else nullopt (the network's).
    std::optional<WebResourceInterception::Resource> requestResource(const base::URL& url);
    void raiseContentSize(Size size);
    void raiseScroll(Point offset);

    // --- WebEngine.
    void setClient(WebEngineClient* client) override { client_ = client; }
    void loadRequest(const net::URLRequest& request) override;
    void loadHTMLString(const std::string& html, const std::optional<base::URL>& baseURL) override;
    void loadData(const base::Data& data, const std::string& MIMEType,
                  const std::string& textEncodingName,
                  const std::optional<base::URL>& baseURL) override;
    void stopLoading() override;
    void reload() override;
    void goBack() override;
    void goForward() override;
    bool canGoBack() const override { return canGoBack_; }
    bool canGoForward() const override { return canGoForward_; }
    bool isLoading() const override { return loading_; }
    std::optional<std::string> evaluateJavaScript(const std::string& script) override;
    void applySettings(const WebViewSettings& settings) override { settings_ = settings; }
    void setLoadScript(const std::string& script) override { loadScript_ = script; }
    void scrollTo(Point offset) override { scrolledTo_.push_back(offset); }
    void setContentInset(EdgeInsets insets) override { contentInsets_.push_back(insets); }

private:
    WebEngineClient* client_ = nullptr;
    int processIdentifier_;
    std::map<std::string, ScriptHandler> answers_;
    ScriptHandler fallback_;
    std::vector<std::string> scripts_;
    std::vector<Load> loads_;
    // Shared with pending decisions, which may come after the engine has gone.
    std::shared_ptr<std::vector<Navigation>> navigations_;
    std::shared_ptr<bool> alive_;
    std::optional<base::URL> pageURL_;
    int stopCount_ = 0;
    int reloadCount_ = 0;
    int goBackCount_ = 0;
    int goForwardCount_ = 0;
    bool canGoBack_ = false;
    bool canGoForward_ = false;
    bool loading_ = false;
    WebViewSettings settings_;
    std::vector<Point> scrolledTo_;
    std::vector<EdgeInsets> contentInsets_;
    std::string loadScript_;
};

} // namespace ui
