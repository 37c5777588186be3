#include "platform/testing/FakeWebEngine.h"

#include "platform/ui/WebEngineClient.h"
#include "platform/ui/WebView.h"

#include <atomic>
#include <memory>
#include <stdexcept>

namespace ui {

namespace {

int nextProcessIdentifier() {
    static std::atomic<int> next{1};
    return next++;
}

} // namespace

FakeWebEngine::FakeWebEngine(FakeWebEngine* relatedTo)
    : processIdentifier_(relatedTo ? relatedTo->processIdentifier_ : nextProcessIdentifier())
    , navigations_(std::make_shared<std::vector<Navigation>>())
    , alive_(std::make_shared<bool>(true)) {}

FakeWebEngine::~FakeWebEngine() = default;

WebEngineFactory::Maker FakeWebEngine::maker() {
    return [](WebEngine* relatedTo) -> std::unique_ptr<WebEngine> {
        return std::make_unique<FakeWebEngine>(dynamic_cast<FakeWebEngine*>(relatedTo));
    };
}

FakeWebEngine& FakeWebEngine::of(WebView& view) {
    auto* engine = dynamic_cast<FakeWebEngine*>(&view.engine());
    if (!engine)
        throw std::logic_error("the web view does not run a FakeWebEngine");
    return *engine;
}

void FakeWebEngine::answerScript(std::string script, std::string result) {
    answers_[std::move(script)] = [result = std::move(result)](const std::string&) {
        return std::optional<std::string>(result);
    };
}

void FakeWebEngine::answerScript(std::string script, ScriptHandler handler) {
    answers_[std::move(script)] = std::move(handler);
}

std::optional<std::string> FakeWebEngine::evaluateJavaScript(const std::string& script) {
    scripts_.push_back(script);
    if (auto found = answers_.find(script); found != answers_.end()) {
        auto handler = found->second; // the handler may change the table
        return handler(script);
    }
    if (fallback_) {
        auto handler = fallback_;
        return handler(script);
    }
    return std::nullopt;
}

void FakeWebEngine::loadRequest(const net::URLRequest& request) {
    loads_.emplace_back(request);
    pageURL_ = request.url();
    loading_ = true;
}

void FakeWebEngine::loadHTMLString(const std::string& html,
                                   const std::optional<base::URL>& baseURL) {
    loads_.emplace_back(HTMLLoad{html, baseURL});
    pageURL_ = baseURL ? baseURL : base::URL::parse("about:blank");
    loading_ = true;
}

void FakeWebEngine::loadData(const base::Data& data, const std::string& MIMEType,
                             const std::string& textEncodingName,
                             const std::optional<base::URL>& baseURL) {
    loads_.emplace_back(DataLoad{data, MIMEType, textEncodingName, baseURL});
    pageURL_ = baseURL ? baseURL : base::URL::parse("about:blank");
    loading_ = true;
}

void FakeWebEngine::stopLoading() {
    ++stopCount_;
    loading_ = false;
}

void FakeWebEngine::reload() {
    ++reloadCount_;
}
void FakeWebEngine::goBack() {
    ++goBackCount_;
}
void FakeWebEngine::goForward() {
    ++goForwardCount_;
}

std::optional<bool> FakeWebEngine::raiseNavigation(net::URLRequest request,
                                                   WebViewNavigationType type, bool isMainFrame) {
    const std::size_t index = navigations_->size();
    navigations_->push_back(Navigation{request, type, isMainFrame, std::nullopt});
    if (!client_)
        return std::nullopt;
    std::weak_ptr<bool> alive = alive_;
    client_->decidePolicy(
        request, type, isMainFrame,
        [this, alive, navigations = navigations_, index, request, isMainFrame](bool allow) {
            (*navigations)[index].allowed = allow;
            if (!allow || !isMainFrame || alive.expired())
                return;
            pageURL_ = request.url();
            loading_ = true;
            if (client_)
                client_->mainFrameRequestChanged(request);
        });
    return (*navigations_)[index].allowed;
}

std::optional<bool> FakeWebEngine::raiseNavigation(const base::URL& url, WebViewNavigationType type,
                                                   bool isMainFrame) {
    net::URLRequest request(url);
    request.setMainDocumentURL(isMainFrame ? std::optional<base::URL>(url) : pageURL_);
    return raiseNavigation(std::move(request), type, isMainFrame);
}

void FakeWebEngine::raiseStartLoad() {
    loading_ = true;
    if (client_)
        client_->didStartLoad();
}

void FakeWebEngine::raiseFinishLoad() {
    loading_ = false;
    if (client_)
        client_->didFinishLoad();
}

void FakeWebEngine::raiseFailLoad(const base::Error& error) {
    loading_ = false;
    if (client_)
        client_->didFailLoad(error);
}

void FakeWebEngine::raiseTitle(const std::string& title) {
    if (client_)
        client_->titleChanged(title);
}

void FakeWebEngine::raiseLoadScriptAnswer(const std::string& answer) {
    if (client_)
        client_->loadScriptAnswered(answer);
}

void FakeWebEngine::raiseContentSize(Size size) {
    if (client_)
        client_->contentSizeChanged(size);
}

void FakeWebEngine::raiseScroll(Point offset) {
    if (client_)
        client_->scrollOffsetChanged(offset);
}

std::optional<WebResourceInterception::Resource>
FakeWebEngine::requestResource(const base::URL& url) {
    if (!WebResourceInterception::intercepts(url))
        return std::nullopt;
    return WebResourceInterception::resourceForURL(url,
                                                   client_ ? client_->clientWebView() : nullptr);
}

} // namespace ui
