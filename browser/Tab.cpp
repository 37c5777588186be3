#include "browser/Tab.h"

#include "platform/base/AppHome.h"
#include "platform/base/Bundle.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Strings.h"
#include "platform/base/TextEncoding.h"
#include "platform/ui/Color.h"
#include "platform/ui/Font.h"
#include "platform/ui/ScrollView.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// A bundle resource as UTF-8 text; empty (and a console line) when it cannot be read.
std::string resourceText(std::string_view name, std::string_view type) {
    auto path = base::Bundle::main().pathForResource(name, type);
    if (!path) {
        base::log("Missing resource " + std::string(name) + "." + std::string(type));
        return {};
    }
    auto data = base::readFile(*path);
    if (!data) {
        base::log("Cannot read " + path->string() + ": " + data.error().localizedDescription());
        return {};
    }
    return data->toString();
}

std::string absoluteStringOf(const std::optional<base::URL>& url) {
    return url ? url->absoluteString() : std::string();
}

// The URL's text up to its fragment.
std::string_view withoutFragment(const std::string& address) {
    return std::string_view(address).substr(0, address.find('#'));
}

// Whether the link leads to another place in the document the web view shows: only its
// fragment differs, so following it moves the page and loads nothing.
bool isInDocumentLink(const ui::WebView& webView, const base::URL& url) {
    const auto& shown = webView.request();
    if (!url.fragment() || !shown || !shown->url())
        return false;
    return withoutFragment(url.absoluteString()) == withoutFragment(shown->url()->absoluteString());
}

bool isMarkupMIMEType(const std::string& type) {
    return type == "text/html" || type == "application/xhtml+xml" || type == "text/vnd.wap.wml";
}

} // namespace

std::shared_ptr<Tab> Tab::create(const ui::Rect& frame, const std::shared_ptr<TabHost>& target) {
    base::assertMainThread();
    auto tab = std::make_shared<Tab>(Private{}, frame);
    tab->viewController_ = target;
    // The scripts it runs in pages: a tab without them would never learn that a page finished.
    tab->pageInfoJS_ = base::Bundle::main().requiredTextOfResource("page_info", "js");
    tab->pageLoadedScript_ =
        base::Bundle::main().requiredTextOfResource(pageLoadedScriptName, "js");
    tab->toolsScript_ = base::Bundle::main().requiredTextOfResource(toolsScriptName, "js");
    tab->buildFace(target);
    tab->buildWebView(target);
    tab->history_.clear();
    tab->traverse_ = 0;
    tab->historyPosition_ = 0;
    tab->tabButton_->setTitle("New Tab", ui::ControlStateNormal);
    tab->tabButton_->setTitle("New Tab", ui::ControlStateHighlighted);
    return tab;
}

Tab::Tab(Private, const ui::Rect& frame)
    : ui::View(frame) {}

Tab::~Tab() {
    stopObserving();
    if (urlConnection_)
        urlConnection_->cancel();
}

std::shared_ptr<Tab> Tab::sharedTab() {
    return std::static_pointer_cast<Tab>(shared_from_this());
}

void Tab::buildFace(const std::shared_ptr<TabHost>& host) {
    (void)host;
    tabButton_ = ui::Button::create(ui::ButtonType::Custom);
    tabButton_->layer().cornerRadius = 3.0;
    tabButton_->setClipsToBounds(true);
    tabButton_->layer().borderWidth = 0.5;
    tabButton_->setBackgroundColor(ui::Color::grayColor());
    tabButton_->titleLabel()->setFont(ui::Font::systemFont(14));
    tabButton_->setTitleColor(ui::Color::blackColor(), ui::ControlStateNormal);
    // The close mark lies over the title button's right end: the title stops before it.
    tabButton_->setContentEdgeInsets(ui::EdgeInsets(0, 8, 0, 100 - 75));
    tabButton_->setContentVerticalAlignment(ui::ControlContentVerticalAlignment::Center);
    tabButton_->setContentHorizontalAlignment(ui::ControlContentHorizontalAlignment::Left);
    tabButton_->setFrame(ui::Rect(0, 0, 100, 32));

    closeButton_ = ui::Button::create(ui::ButtonType::Custom);
    closeButton_->setTitle("X", ui::ControlStateNormal);
    closeButton_->setAccessibilityLabel("close tab");
    closeButton_->setTitleColor(ui::Color::darkGrayColor(), ui::ControlStateNormal);
    closeButton_->setFrame(ui::Rect(75, 3, 25, 25));
    closeButton_->titleLabel()->setFont(ui::Font::systemFont(14));

    addSubview(tabButton_);
    addSubview(closeButton_);

    // The buttons belong to the tab, so their actions hold it weakly; the screen is looked up
    // when the touch comes.
    std::weak_ptr<Tab> weak = sharedTab();
    tabButton_->addAction(
        this, "selectTab",
        [weak](ui::Control& sender, const ui::Event*) {
            auto tab = weak.lock();
            if (auto host = tab ? tab->viewController() : nullptr)
                host->selectTab(ui::InterfaceObject(sender.shared_from_this()));
        },
        ui::ControlEventTouchDown);
    closeButton_->addAction(
        this, "removeTab",
        [weak](ui::Control& sender, const ui::Event*) {
            auto tab = weak.lock();
            if (auto host = tab ? tab->viewController() : nullptr)
                host->removeTab(ui::InterfaceObject(sender.shared_from_this()));
        },
        ui::ControlEventTouchDown);
}

void Tab::buildWebView(const std::shared_ptr<TabHost>& host) {
    auto templateView = host->webViewTemplate();
    auto bottomBar = host->bottomBar();
    ui::Rect frame = templateView ? templateView->frame() : ui::Rect();
    double height = std::trunc(frame.size.height);
    // With the bottom bar scrolled away (alpha 0) the page also takes its place.
    if (bottomBar && !(bottomBar->alpha() > 0))
        height = std::trunc(height + bottomBar->frame().size.height);
    frame.size.height = height;

    auto webView = ui::WebView::create(frame);
    webView->setAutoresizingMask(ui::ViewAutoresizingFlexibleWidth |
                                 ui::ViewAutoresizingFlexibleHeight);
    webView->setScalesPageToFit(true);
    webView->scrollView()->setScrollEnabled(true);
    webView->scrollView()->setBounces(true);
    webView->setBackgroundColor(ui::Color::whiteColor());
    webView->sizeToFit();
    setWebView(webView);

    std::weak_ptr<Tab> weak = sharedTab();
    tapAndHoldObserver_ = base::NotificationCenter::defaultCenter().addObserver(
        tapAndHoldNotification, [weak](const base::Notification& notification) {
            if (auto tab = weak.lock())
                tab->contextualMenuAction(notification);
        });

    if (auto scrollDelegate = std::dynamic_pointer_cast<ui::ScrollViewDelegate>(host))
        webView->scrollView()->setDelegate(scrollDelegate);
    double topInset = 0;
    if (auto topBar = host->topBar())
        topInset = topBar->frame().size.height;
    webView->scrollView()->setContentInset(ui::EdgeInsets(topInset, 0, 0, 0));
    webView->scrollView()->setContentOffset(ui::Point(0, -topInset));

    if (auto root = host->rootView()) {
        root->addSubview(webView);
        root->sendSubviewToBack(webView);
        if (templateView)
            root->sendSubviewToBack(templateView);
    }
}

void Tab::setWebView(std::shared_ptr<ui::WebView> webView) {
    webView_ = std::move(webView);
    if (webView_)
        webView_->setDelegate(std::static_pointer_cast<ui::WebViewDelegate>(sharedTab()));
}

void Tab::setUrlConnection(std::shared_ptr<net::URLConnection> connection) {
    base::assertMainThread();
    // A tab shows one page: an earlier fetch still running would deliver its page over the
    // one asked for now.
    if (urlConnection_ && urlConnection_ != connection)
        urlConnection_->cancel();
    if (connection && connection != urlConnection_) {
        fetchAddedEntry_ = false;
        fetching_ = true;
    }
    urlConnection_ = std::move(connection);
}

void Tab::cancelFetch() {
    setUrlConnection(nullptr);
    fetching_ = false;
    fetchAddedEntry_ = false;
    positionBeforeStep_.reset();
    pageData_.reset();
    loading_ = false;
}

void Tab::stopLoading() {
    base::assertMainThread();
    // A page that never arrived leaves no visit behind: the history, and the address field,
    // name the page still shown.
    if (fetching_)
        undoVisit();
    cancelFetch();
    if (webView_)
        webView_->stopLoading();
}

void Tab::undoVisit() {
    // Only what the fetch changed is undone: the entry a new visit added (the position then
    // names the page still shown), or the step a history move took. Dropping the last entry
    // after a step would lose a forward page that never failed.
    if (fetchAddedEntry_ && !history_.empty()) {
        history_.pop_back();
        historyPosition_ = static_cast<std::int32_t>(history_.size()) - 1;
    } else if (positionBeforeStep_) {
        historyPosition_ = *positionBeforeStep_;
    }
    fetchAddedEntry_ = false;
    positionBeforeStep_.reset();
    const bool inside =
        historyPosition_ >= 0 && historyPosition_ < static_cast<std::int32_t>(history_.size());
    currentURL_ =
        inside ? history_[static_cast<std::size_t>(historyPosition_)].url() : std::nullopt;
    currentURLString_ = absoluteStringOf(currentURL_);
    updateLoadScript();
    auto host = viewController();
    if (current_ && host && currentURLString_ != "about:blank" &&
        currentURLString_.find(secondSearchEngineHomeAddress) == std::string::npos)
        if (auto field = host->addressBar())
            field->setText(currentURLString_);
}

bool Tab::isOwnConnection(const std::shared_ptr<net::URLConnection>& connection) const {
    return connection && connection == urlConnection_;
}

// --- Face.

void Tab::setTitle(const std::string& text) {
    // Counted in UTF-16 units; a character that would be cut in half is left out whole.
    std::string shown = text;
    if (base::utf16Length(text) >= 11)
        shown = base::utf16Substr(text, 0, 8) + "..";
    tabButton_->setTitle(shown, ui::ControlStateNormal);
    tabButton_->setTitle(shown, ui::ControlStateHighlighted);
    tabButton_->setAccessibilityLabel("Tab with title " + shown);
    closeButton_->setAccessibilityLabel("Close Tab with title " + shown);
}

void Tab::select() {
    current_ = true;
    tabButton_->setBackgroundColor(ui::Color::whiteColor());
    tabButton_->setSelected(true);
    tabButton_->setEnabled(false);
    if (webView_)
        if (auto parent = webView_->superview())
            parent->bringSubviewToFront(webView_);
    if (auto strip = superview())
        strip->bringSubviewToFront(shared_from_this());
}

void Tab::deselect() {
    current_ = false;
    tabButton_->setBackgroundColor(ui::Color::lightGrayColor());
    tabButton_->setSelected(false);
    tabButton_->setEnabled(true);
    if (webView_)
        if (auto parent = webView_->superview())
            parent->sendSubviewToBack(webView_);
    if (auto strip = superview())
        strip->sendSubviewToBack(shared_from_this());
}

void Tab::incrementOffset() {
    auto moved = frame();
    moved.origin.x -= 100;
    setFrame(moved);
}

void Tab::showText() {
    tabButton_->setTitleColor(ui::Color::blackColor(), ui::ControlStateNormal);
}

void Tab::hideText() {
    tabButton_->setTitleColor(ui::Color::whiteColor(), ui::ControlStateNormal);
}

std::shared_ptr<ui::ProgressView> Tab::progressBar() const {
    if (!current_)
        return nullptr;
    auto host = viewController();
    return host ? host->progressBar() : nullptr;
}

// --- Fetch.

std::optional<net::URLRequest>
Tab::connectionWillSendRequest(const std::shared_ptr<net::URLConnection>& connection,
                               const net::URLRequest& request,
                               const std::optional<net::HTTPURLResponse>& redirectResponse) {
    loading_ = true;
    setUrlConnection(connection);

    const auto& current =
        connection->currentRequest().url() ? connection->currentRequest() : request;
    connectionURLString_ = absoluteStringOf(current.url());
    if (!base::hasSuffix(connectionURLString_, "/"))
        connectionURLString_ += "/";

    if (!redirectResponse) {
        // The tab keeps the page whole until it hands it to its web view.
        net::URLRequest first = request;
        first.setMaximumBodyLength(maximumPageLength);
        return first;
    }

    // The next hop as the connection proposes it already carries the request's own header
    // fields (the "User-Agent" among them) and keeps method and body where HTTP keeps them.
    // It is taken as it is rather than re-made from the previous hop, which would send a
    // form's POST again after a 303 and hand credentials to another origin.
    net::URLRequest next = request;
    next.setMaximumBodyLength(maximumPageLength);
    if (auto agent = connection->currentRequest().valueForHTTPHeaderField("User-Agent");
        agent && !next.valueForHTTPHeaderField("User-Agent"))
        next.setValueForHTTPHeaderField(*agent, "User-Agent");
    currentURL_ = next.url();
    currentURLString_ = absoluteStringOf(currentURL_);
    updateLoadScript();
    return next;
}

void Tab::connectionDidReceiveResponse(const std::shared_ptr<net::URLConnection>& connection,
                                       const net::HTTPURLResponse& response) {
    if (!isOwnConnection(connection))
        return;
    currentURL_ = response.url();
    currentURLString_ = absoluteStringOf(currentURL_);
    updateLoadScript();
    response_ = response;
    const std::string& type = response.MIMEType();
    if (!type.empty() && !isMarkupMIMEType(type) && webView_ && !webView_->canShowMIMEType(type)) {
        // A file that is no page (an archive, a program): nothing downloads it, so none of it
        // is fetched, and the tab says so rather than showing its bytes as text.
        base::log("The browser cannot show " + type + " content from " + currentURLString_);
        setUrlConnection(nullptr);
        fetching_ = false;
        fetchAddedEntry_ = false;
        positionBeforeStep_.reset();
        pageData_.reset();
        if (auto bar = progressBar())
            bar->setHidden(true);
        webView_->stopLoading();
        webView_->loadHTMLString(resourceText("cannot_show_file", "html"), std::nullopt);
        return;
    }
    if (auto bar = progressBar())
        bar->setProgress(0.25, false);
    pageData_ = base::Data();
}

void Tab::connectionDidReceiveData(const std::shared_ptr<net::URLConnection>& connection,
                                   const base::Data& data) {
    if (!isOwnConnection(connection))
        return;
    if (!pageData_)
        pageData_ = base::Data();
    pageData_->append(data);
    if (auto bar = progressBar(); bar && bar->progress() < 0.75)
        bar->setProgress(bar->progress() + 0.05, false);
}

void Tab::connectionDidFinishLoading(const std::shared_ptr<net::URLConnection>& connection) {
    if (!isOwnConnection(connection))
        return;
    fetching_ = false;
    if (!pageData_ || pageData_->empty()) {
        // Nothing to show: the visit is undone and the tab goes back to the page before it.
        // The web view keeps what it shows and loading stays on until a later final-load
        // signal.
        undoVisit();
        if (auto bar = progressBar())
            bar->setHidden(true);
        return;
    }

    fetchAddedEntry_ = false;
    positionBeforeStep_.reset();
    std::string MIMEType = response_ ? response_->MIMEType() : std::string();
    std::string encodingName = response_ ? response_->textEncodingName() : std::string();
    if (isMarkupMIMEType(MIMEType)) {
        // A charset the response names but no converter knows is read as if none were named,
        // so the page still shows instead of an empty document.
        std::string charset = !encodingName.empty() && base::isKnownEncodingName(encodingName)
                                  ? encodingName
                                  : "utf-8";
        auto text = base::decodeText(*pageData_, charset);
        if (!text)
            base::log("Cannot decode the page as " + charset + ": " +
                      text.error().localizedDescription());
        webView_->stopLoading();
        webView_->loadHTMLString(text ? *text : std::string(), currentURL_);
    } else {
        webView_->stopLoading();
        webView_->loadData(*pageData_, MIMEType, encodingName, currentURL_);
    }
    if (auto bar = progressBar())
        bar->setProgress(0.75, false);
    pageData_.reset();
}

void Tab::connectionDidFailWithError(const std::shared_ptr<net::URLConnection>& connection,
                                     const base::Error& error) {
    if (!isOwnConnection(connection))
        return;
    fetching_ = false;
    // Nothing is on its way any more: a tab left loading would show the stop button again
    // whenever it is selected.
    loading_ = false;
    fetchAddedEntry_ = false;
    positionBeforeStep_.reset();
    pageData_.reset();
    auto host = viewController();
    if (auto bar = progressBar())
        bar->setHidden(true);

    if (error.domain == base::URLErrorDomain &&
        error.code == base::URLErrorDataLengthExceedsMaximum) {
        base::log("The page at " + currentURLString_ + " is too large to show");
        webView_->stopLoading();
        webView_->loadHTMLString(resourceText("page_too_large", "html"), std::nullopt);
        return;
    }

    if (!connection->currentRequest().url()) {
        // The address made no URL: back to the start page with an empty address field.
        if (auto path = base::Bundle::main().pathForResource("launch", "html"))
            webView_->loadRequest(net::URLRequest(base::URL::fileURL(path->string())));
        else
            base::log("Missing resource launch.html");
        if (host)
            if (auto field = host->addressBar())
                field->setText("");
        return;
    }
    // The page that says so stands for the address that could not be opened: the address
    // field shows it, and the reload button fetches it again.
    currentURLString_ = absoluteStringOf(connection->currentRequest().url());
    // The screen puts its page into the selected tab; a tab in the background shows the
    // same page itself, so that the page the user is looking at stays.
    if (current_ && host)
        host->cannotConnect(ui::InterfaceObject(webView_));
    else
        webView_->loadHTMLString(resourceText("unable_to_connect", "html"), std::nullopt);
}

// --- Web view.

bool Tab::webViewShouldStartLoadWithRequestNavigationType(ui::WebView& webView,
                                                          const net::URLRequest& request,
                                                          ui::WebViewNavigationType type) {
    const auto& url = request.url();
    if (!url)
        return false;
    const std::string& address = url->absoluteString();
    if (address == finalLoadSignalAddress) {
        webViewDidFinishFinalLoad(webView);
        return true;
    }
    bool linkOrForm = type == ui::WebViewNavigationType::LinkClicked ||
                      type == ui::WebViewNavigationType::FormSubmitted;
    if (linkOrForm && address == absoluteStringOf(request.mainDocumentURL())) {
        if (address == "about:blank")
            return true;
        // The web view moves to the anchor of the page it shows itself: nothing is fetched and
        // no load starts.
        if (type == ui::WebViewNavigationType::LinkClicked && isInDocumentLink(webView, *url))
            return true;
        if (url->scheme() == "http" || url->scheme() == "https") {
            // The tab fetches top-level pages itself; the request keeps a form's method and
            // body.
            auto host = viewController();
            if (host) {
                if (current_)
                    if (auto field = host->addressBar())
                        field->setText(address);
                host->gotoAddressWithRequestObjInTab(ui::InterfaceObject(), request, sharedTab());
            }
            return false;
        }
        return false;
    }
    return true;
}

void Tab::webViewDidStartLoad(ui::WebView& webView) {
    (void)webView;
    // A title read from the document before belongs to none that comes now.
    pageTitle_.reset();
}

void Tab::webViewDidFinishLoad(ui::WebView& webView) {
    const auto& request = webView.request();
    bool isFile = request && request->url() && request->url()->isFileURL();
    if (isFile || !currentURL_)
        return;
    runningPageLoadedScript_ = true;
    const std::string answer =
        webView.stringByEvaluatingJavaScriptFromString(pageLoadedScript(false));
    runningPageLoadedScript_ = false;
    takePageLoadedAnswer(answer);
    if (std::exchange(signalDuringPageLoadedScript_, false))
        webViewDidFinishFinalLoad(webView);
}

std::string Tab::pageLoadedScript(bool atLoad) const {
    return pageLoadedScript_ + (atLoad ? "(true)" : "(false)");
}

void Tab::webViewLoadScriptAnswered(ui::WebView& webView, const std::string& answer) {
    (void)webView;
    // The engine hands the answer over before the navigation of the frame it added.
    takePageLoadedAnswer(answer);
}

void Tab::takePageLoadedAnswer(const std::string& answer) {
    // Only a document that got the frame sends its signal; its title waits for it.
    if (answer.starts_with('1'))
        pageTitle_ = answer.substr(1);
}

void Tab::updateLoadScript() {
    if (hasLoadScript_ == currentURL_.has_value() || !webView_)
        return;
    hasLoadScript_ = currentURL_.has_value();
    webView_->setLoadScript(hasLoadScript_ ? pageLoadedScript(true) : std::string());
}

void Tab::webViewDidFinishFinalLoad(ui::WebView& webView) {
    if (runningPageLoadedScript_) {
        // Never before the page's title is known: it is on its way with the script's answer.
        signalDuringPageLoadedScript_ = true;
        return;
    }
    loading_ = false;
    if (current_)
        if (auto host = viewController())
            host->currentWebViewDidFinishFinalLoad(
                std::static_pointer_cast<ui::WebView>(webView.shared_from_this()));
    const auto& request = webView.request();
    std::string mainDocument = request && request->mainDocumentURL()
                                   ? request->mainDocumentURL()->absoluteString()
                                   : std::string("(null)");
    base::log("Loaded url: " + mainDocument);
    // A frame the page added itself signals without the title having come first.
    const std::string title =
        pageTitle_ ? *std::exchange(pageTitle_, std::nullopt)
                   : webView.stringByEvaluatingJavaScriptFromString("document.title");
    setTitle(title.empty() ? "Untitled" : title);
}

// --- History.

void Tab::updateHistory() {
    if (traverse_ == 0) {
        auto keep = static_cast<std::size_t>(std::max<std::int32_t>(historyPosition_, -1) + 1);
        if (keep < history_.size())
            history_.erase(history_.begin() + static_cast<std::ptrdiff_t>(keep), history_.end());
        if (urlConnection_) {
            history_.push_back(urlConnection_->currentRequest());
            historyPosition_ = static_cast<std::int32_t>(history_.size()) - 1;
            fetchAddedEntry_ = true;
        }
        positionBeforeStep_.reset();
    } else if (!history_.empty() &&
               (historyPosition_ < 0 ||
                historyPosition_ >= static_cast<std::int32_t>(history_.size()))) {
        // A step past either end loaded the last entry: the position names what is shown.
        historyPosition_ = static_cast<std::int32_t>(history_.size()) - 1;
    }
    traverse_ = 0;
}

bool Tab::historyStandsAt(const net::URLRequest& request) const {
    if (historyPosition_ < 0 || historyPosition_ >= static_cast<std::int32_t>(history_.size()))
        return false;
    const auto& entry = history_[static_cast<std::size_t>(historyPosition_)].url();
    return entry && request.url() && entry->absoluteString() == request.url()->absoluteString();
}

bool Tab::canGoBack() const {
    return !history_.empty() && historyPosition_ > 0;
}

bool Tab::canGoForward() const {
    return !history_.empty() && historyPosition_ < static_cast<std::int32_t>(history_.size()) - 1;
}

void Tab::goBack() {
    go(-1);
}

void Tab::goForward() {
    go(1);
}

void Tab::go(std::int32_t step) {
    base::assertMainThread();
    auto host = viewController();
    if (host) {
        if (auto forward = host->forwardButton())
            forward->setEnabled(false);
        if (auto back = host->backButton())
            back->setEnabled(false);
    }
    traverse_ = step;
    positionBeforeStep_ = historyPosition_;
    historyPosition_ += step;
    if (history_.empty() || !host)
        return;
    bool inside =
        historyPosition_ >= 0 && historyPosition_ < static_cast<std::int32_t>(history_.size());
    net::URLRequest entry =
        inside ? history_[static_cast<std::size_t>(historyPosition_)] : history_.back();
    host->gotoAddressWithRequestObjInTab(ui::InterfaceObject(), entry, sharedTab());
}

// --- Link menu.

void Tab::didPresentActionSheet(ui::ActionSheet& actionSheet) {
    (void)actionSheet;
    actionSheetVisible_ = true;
}

void Tab::actionSheetDidDismissWithButtonIndex(ui::ActionSheet& actionSheet,
                                               std::int64_t buttonIndex) {
    (void)actionSheet;
    (void)buttonIndex;
    actionSheetVisible_ = false;
}

// --- Closing.

void Tab::close() {
    setUrlConnection(nullptr);
    if (webView_)
        webView_->stopLoading();
    stopObserving();
}

void Tab::stopObserving() {
    if (tapAndHoldObserver_) {
        base::NotificationCenter::defaultCenter().removeObserver(*tapAndHoldObserver_);
        tapAndHoldObserver_.reset();
    }
}
