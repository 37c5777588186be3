#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"
#include "platform/gtk/GtkPlatform.h"
#include "platform/gtk/WebKitEngine.h"
#include "platform/gtk/WebKitWebsiteData.h"
#include "platform/net/CookieStorage.h"
#include "platform/net/TestHTTPServer.h"
#include "platform/net/URLCache.h"
#include "platform/testing/PlatformTest.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/WebView.h"
#include "platform/ui/WebViewDelegate.h"

#include <arpa/inet.h>
#include <atomic>
#include <dirent.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <netinet/in.h>
#include <set>
#include <signal.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>
#include <webkit/webkit.h>

namespace gtk {
namespace {

using namespace std::chrono_literals;
using ui::WebViewNavigationType;

struct Navigation {
    std::string url;
    std::string mainDocumentURL;
    WebViewNavigationType type;
    std::string method;
    std::string body;
};

class RecordingDelegate : public ui::WebViewDelegate {
public:
    bool webViewShouldStartLoadWithRequestNavigationType(ui::WebView&,
                                                         const net::URLRequest& request,
                                                         WebViewNavigationType type) override {
        Navigation navigation{
            request.url() ? request.url()->absoluteString() : "",
            request.mainDocumentURL() ? request.mainDocumentURL()->absoluteString() : "", type,
            request.HTTPMethod(), request.HTTPBody().toString()};
        navigations.push_back(navigation);
        order.push_back("navigation " + navigation.url);
        return policy ? policy(navigation) : true;
    }
    void webViewLoadScriptAnswered(ui::WebView&, const std::string& answer) override {
        order.push_back("answer " + answer);
    }
    void webViewDidStartLoad(ui::WebView&) override { ++started; }
    void webViewDidFinishLoad(ui::WebView&) override { ++finished; }
    void webViewDidFailLoadWithError(ui::WebView&, const base::Error& error) override {
        errors.push_back(error);
    }

    const Navigation* find(const std::string& url) const {
        for (const auto& navigation : navigations)
            if (navigation.url == url)
                return &navigation;
        return nullptr;
    }

    std::function<bool(const Navigation&)> policy;
    std::vector<Navigation> navigations;
    // Navigations and load-script answers, in the order the view told them.
    std::vector<std::string> order;
    int started = 0;
    int finished = 0;
    std::vector<base::Error> errors;
};

// The web processes this test process has started: descendants (WebKit starts them through
// its sandbox) named after WebKit's web process.
std::set<int> webProcesses() {
    struct Process {
        int parent;
        std::string name;
    };
    std::map<int, Process> all;
    DIR* proc = opendir("/proc");
    if (!proc)
        return {};
    while (dirent* entry = readdir(proc)) {
        const int pid = std::atoi(entry->d_name);
        if (pid <= 0)
            continue;
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        std::getline(stat, line);
        const auto open = line.find('(');
        const auto close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos)
            continue;
        int parent = 0;
        char state = 0;
        std::sscanf(line.c_str() + close + 1, " %c %d", &state, &parent);
        if (state != 'Z')
            all[pid] = Process{parent, line.substr(open + 1, close - open - 1)};
    }
    closedir(proc);
    std::set<int> found;
    for (const auto& [pid, process] : all) {
        if (process.name.rfind("WebKitWebProces", 0) != 0)
            continue;
        for (int up = process.parent; up > 1 && all.count(up); up = all[up].parent) {
            if (up == getpid()) {
                found.insert(pid);
                break;
            }
        }
    }
    return found;
}

class WebKitEngineTest : public testing_support::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        // The engine and the server live in real time.
        base::Clock::install(nullptr);
        auto installed = GtkPlatform::install();
        ASSERT_TRUE(installed.ok()) << installed.error().localizedDescription();

        server_.server().Get("/page", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(
                "<html><head><title>Hello page</title></head><body>"
                "<a id='link' href='/next'>next</a>"
                "<form id='form' method='post' action='/submit'>"
                "<input name='q' value='a b&c'><input type='hidden' name='h' value='1'>"
                "<button id='go' name='button' value='pressed'>Go</button></form>"
                "</body></html>",
                "text/html");
        });
        server_.server().Get("/next", [this](const httplib::Request&, httplib::Response& response) {
            hit("/next");
            response.set_content("<html><head><title>Next</title></head><body>next</body></html>",
                                 "text/html");
        });
        server_.server().Post("/submit", [this](const httplib::Request& request,
                                                httplib::Response& response) {
            hit("/submit");
            {
                std::lock_guard lock(mutex_);
                postedBody_ = request.body;
            }
            response.set_content("<html><head><title>Posted</title></head></html>", "text/html");
        });
        server_.server().Get(
            "/frame", [this](const httplib::Request&, httplib::Response& response) {
                hit("/frame");
                response.set_content("<html><body>frame</body></html>", "text/html");
            });
        server_.server().Get("/cookie", [](const httplib::Request&, httplib::Response& response) {
            response.set_header("Set-Cookie",
                                "fromServer=one; Path=/; Max-Age=3600; SameSite=Strict");
            response.set_content("<html><body><script>document.cookie = 'fromScript=two; "
                                 "path=/; samesite=lax';</script></body></html>",
                                 "text/html");
        });
        server_.server().Get("/cached", [](const httplib::Request&, httplib::Response& response) {
            response.set_header("Cache-Control", "max-age=3600");
            response.set_content("<html><head><title>Cached</title></head></html>", "text/html");
        });
        server_.server().Get("/tall", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("<html><body style='margin:0'><div style='height:5000px;"
                                 "width:10px'>tall</div></body></html>",
                                 "text/html");
        });
        server_.server().Get("/slow", [this](const httplib::Request&, httplib::Response& response) {
            server_.waitForRelease(20s);
            response.set_content("<html><body>late</body></html>", "text/html");
        });
        server_.start();
    }

    void TearDown() override {
        webView_.reset();
        server_.stop();
        PlatformTest::TearDown();
    }

    void hit(const std::string& path) {
        std::lock_guard lock(mutex_);
        hits_.push_back(path);
    }
    int hits(const std::string& path) {
        std::lock_guard lock(mutex_);
        return static_cast<int>(std::count(hits_.begin(), hits_.end(), path));
    }

    static bool waitFor(const std::function<bool()>& condition, base::Seconds limit = 20s) {
        return base::RunLoop::main().runUntil(condition, limit);
    }
    // Lets what is under way arrive: the run loop and GLib, for a short real time.
    static void settle() {
        bool never = false;
        base::RunLoop::main().runUntil([&] { return never; }, 300ms);
    }

    std::shared_ptr<ui::WebView> makeWebView(ui::WebView* relatedTo = nullptr) {
        auto view = ui::WebView::create(ui::Rect(ui::Point(0, 0), ui::Size(320, 480)), relatedTo);
        view->setDelegate(delegate_);
        return view;
    }

    WebKitEngine& engineOf(ui::WebView& view) {
        auto* engine = dynamic_cast<WebKitEngine*>(&view.engine());
        EXPECT_NE(engine, nullptr);
        return *engine;
    }

    // Loads the URL and waits for the page to finish.
    bool load(const std::string& url) {
        if (!webView_)
            webView_ = makeWebView();
        const int finished = delegate_->finished;
        webView_->loadRequest(net::URLRequest(base::URL::parse(url)));
        return waitFor([&] { return delegate_->finished > finished; });
    }

    std::string js(const std::string& script) {
        return webView_->stringByEvaluatingJavaScriptFromString(script);
    }

    net::TestHTTPServer server_;
    std::shared_ptr<RecordingDelegate> delegate_ = std::make_shared<RecordingDelegate>();
    std::shared_ptr<ui::WebView> webView_;
    std::mutex mutex_;
    std::vector<std::string> hits_;
    std::string postedBody_;
};

TEST_F(WebKitEngineTest, APageLoadsThroughTheWebViewAndItsTitleIsRead) {
    const std::string url = server_.url("/page");
    ASSERT_TRUE(load(url));
    settle();
    EXPECT_EQ(delegate_->started, 1);
    EXPECT_EQ(delegate_->finished, 1);
    EXPECT_TRUE(delegate_->errors.empty());
    // The view's own load is asked once, with type other.
    ASSERT_EQ(delegate_->navigations.size(), 1u);
    EXPECT_EQ(delegate_->navigations[0].type, WebViewNavigationType::Other);
    EXPECT_EQ(js("document.title"), "Hello page");
    EXPECT_EQ(webView_->pageTitle(), "Hello page");
    ASSERT_TRUE(webView_->request() && webView_->request()->url());
    EXPECT_EQ(webView_->request()->url()->absoluteString(), url);
    EXPECT_FALSE(webView_->isLoading());
}

TEST_F(WebKitEngineTest, ScriptsAnswerAsTextAndFailuresGiveNothing) {
    ASSERT_TRUE(load(server_.url("/page")));
    auto& engine = engineOf(*webView_);
    EXPECT_EQ(engine.evaluateJavaScript("6 * 7"), "42");
    EXPECT_EQ(engine.evaluateJavaScript("undefined"), "");
    EXPECT_EQ(engine.evaluateJavaScript("null"), "");
    EXPECT_EQ(engine.evaluateJavaScript("throw new Error('broken')"), std::nullopt);
    EXPECT_EQ(engine.evaluateJavaScript("this is not javascript"), std::nullopt);
    EXPECT_EQ(js("throw new Error('broken')"), "");
    // The engine's own user agent.
    EXPECT_NE(js("navigator.userAgent").find("AppleWebKit"), std::string::npos);

    // A page that does not answer in time: nothing, and the page works again afterwards.
    engine.setScriptTimeout(300ms);
    EXPECT_EQ(
        engine.evaluateJavaScript("var end = Date.now() + 2000; while (Date.now() < end) {} 1"),
        std::nullopt);
    engine.setScriptTimeout(WebKitEngine::defaultScriptTimeout);
    EXPECT_EQ(engine.evaluateJavaScript("'back'"), "back");
}

TEST_F(WebKitEngineTest, EventsOfTheEngineWaitUntilTheScriptHasReturned) {
    ASSERT_TRUE(load(server_.url("/page")));
    // Another view, in a web process of its own, loads while this one's scripts keep the
    // engine pumped: its events happen then, but the delegate hears of them only afterwards.
    auto other = makeWebView();
    const int startedBefore = delegate_->started;
    const int finishedBefore = delegate_->finished;
    other->loadRequest(net::URLRequest(base::URL::parse(server_.url("/next"))));
    auto& otherEngine = engineOf(*other);
    for (int i = 0; i < 100 && otherEngine.pendingEventCount() == 0; ++i)
        js("var end = Date.now() + 100; while (Date.now() < end) {} 1");
    ASSERT_GT(otherEngine.pendingEventCount(), 0u) << "the other load never got under way";
    EXPECT_EQ(delegate_->started, startedBefore);
    EXPECT_EQ(delegate_->finished, finishedBefore);
    EXPECT_TRUE(waitFor([&] { return delegate_->finished == finishedBefore + 1; }));
    EXPECT_EQ(delegate_->started, startedBefore + 1);
}

TEST_F(WebKitEngineTest, AScriptRunWithoutWaitingRunsInOrderAndItsFramesReachTheClient) {
    const std::string pageURL = server_.url("/page");
    ASSERT_TRUE(load(pageURL));
    delegate_->policy = [](const Navigation& navigation) {
        return navigation.url.find("amsg:") != 0;
    };
    webView_->runJavaScript("window.steps = ['first']");
    webView_->runJavaScript("window.steps.push('second'); var f = document.createElement('iframe');"
                            " f.src = 'amsg:///answer?step=2'; document.body.appendChild(f);");
    EXPECT_EQ(delegate_->find("amsg:///answer?step=2"), nullptr); // not waited for
    ASSERT_TRUE(waitFor([&] { return delegate_->find("amsg:///answer?step=2") != nullptr; }));
    EXPECT_EQ(delegate_->find("amsg:///answer?step=2")->mainDocumentURL, pageURL);
    EXPECT_EQ(js("window.steps.join()"), "first,second");
    // A script that throws ends quietly, and the next still runs.
    webView_->runJavaScript("throw new Error('no')");
    webView_->runJavaScript("window.steps.push('third')");
    EXPECT_TRUE(waitFor([&] { return js("window.steps.join()") == "first,second,third"; }));
    EXPECT_EQ(delegate_->finished, 1);
}

TEST_F(WebKitEngineTest, AHiddenFrameIsASubFrameNavigationAndCanBeRefused) {
    const std::string pageURL = server_.url("/page");
    ASSERT_TRUE(load(pageURL));
    delegate_->policy = [](const Navigation& navigation) {
        return navigation.url != "js:gh-page-loaded" &&
               navigation.url.find("/frame") == std::string::npos;
    };
    js("var f = document.createElement('iframe'); f.id = 'gh'; f.setAttribute('src', "
       "'js:gh-page-loaded'); f.setAttribute('style', 'display:none'); "
       "document.body.appendChild(f);");
    ASSERT_TRUE(waitFor([&] { return delegate_->find("js:gh-page-loaded") != nullptr; }));
    const Navigation* frame = delegate_->find("js:gh-page-loaded");
    EXPECT_EQ(frame->type, WebViewNavigationType::Other);
    EXPECT_EQ(frame->mainDocumentURL, pageURL);

    // A frame of the server that is refused never reaches the server.
    const std::string frameURL = server_.url("/frame");
    js("var g = document.createElement('iframe'); g.src = '/frame'; document.body.appendChild(g);");
    ASSERT_TRUE(waitFor([&] { return delegate_->find(frameURL) != nullptr; }));
    EXPECT_EQ(delegate_->find(frameURL)->mainDocumentURL, pageURL);
    settle();
    EXPECT_EQ(hits("/frame"), 0);

    // Let through, the same frame loads; the main frame reports nothing more.
    delegate_->policy = nullptr;
    const auto asked = delegate_->navigations.size();
    js("var h = document.createElement('iframe'); h.src = '/frame?again'; "
       "document.body.appendChild(h);");
    ASSERT_TRUE(waitFor([&] { return hits("/frame") == 1; }));
    EXPECT_EQ(delegate_->navigations.size(), asked + 1);
    // A frame of a scheme nothing loads, let through, fails quietly inside the page.
    js("var i = document.createElement('iframe'); i.src = 'js:gh-page-loaded'; "
       "document.body.appendChild(i);");
    ASSERT_TRUE(waitFor([&] { return delegate_->navigations.size() == asked + 2; }));
    EXPECT_EQ(delegate_->navigations.back().mainDocumentURL, pageURL);
    settle();
    EXPECT_EQ(delegate_->started, 1);
    EXPECT_EQ(delegate_->finished, 1);
    EXPECT_TRUE(delegate_->errors.empty());
    EXPECT_EQ(webView_->request()->url()->absoluteString(), pageURL);
}

// The load script runs in each top-level document at its load event, sees the page's document,
// answers before the navigation of the frame it adds, and that navigation is known for a
// sub-frame's without a probe. Set to nothing, it runs no more.
TEST_F(WebKitEngineTest, TheLoadScriptAnswersAtTheLoadEventBeforeItsFramesNavigation) {
    webView_ = makeWebView();
    webView_->setLoadScript("(function () {var f = document.createElement('iframe');"
                            "f.src = 'js:loaded'; document.body.appendChild(f);"
                            "return document.title + ' ' + document.readyState;})()");
    const std::string pageURL = server_.url("/page");
    ASSERT_TRUE(load(pageURL));
    ASSERT_TRUE(waitFor([&] { return delegate_->find("js:loaded") != nullptr; }));
    EXPECT_EQ(delegate_->order,
              (std::vector<std::string>{"navigation " + pageURL, "answer Hello page complete",
                                        "navigation js:loaded"}));
    EXPECT_EQ(delegate_->find("js:loaded")->mainDocumentURL, pageURL);
    EXPECT_EQ(engineOf(*webView_).framesAsked(), 0);

    webView_->setLoadScript("");
    delegate_->order.clear();
    ASSERT_TRUE(load(server_.url("/next")));
    settle();
    EXPECT_EQ(delegate_->order, std::vector<std::string>{"navigation " + server_.url("/next")});
}

// A frame led to an address nothing loads is answered at once, before the delegate: no load
// starts in it (the page's own load does not wait for one); the delegate is still asked, and
// the frame stays in the page.
TEST_F(WebKitEngineTest, AFramesNavigationToAnAddressNothingLoadsIsAnsweredWithoutALoad) {
    webView_ = makeWebView();
    std::vector<std::string> resources;
    GtkWidget* widget = engineOf(*webView_).widget();
    g_signal_connect(widget, "resource-load-started",
                     G_CALLBACK(+[](WebKitWebView*, WebKitWebResource* resource, WebKitURIRequest*,
                                    gpointer list) {
                         static_cast<std::vector<std::string>*>(list)->push_back(
                             webkit_web_resource_get_uri(resource));
                     }),
                     &resources);
    webView_->setLoadScript("(function () {var f = document.createElement('iframe');"
                            "f.id = 'signal'; f.src = 'js:loaded'; document.body.appendChild(f);"
                            "return '';})()");
    const std::string pageURL = server_.url("/page");
    ASSERT_TRUE(load(pageURL));
    ASSERT_TRUE(waitFor([&] { return delegate_->find("js:loaded") != nullptr; }));
    EXPECT_EQ(delegate_->find("js:loaded")->mainDocumentURL, pageURL);
    settle();
    EXPECT_EQ(std::count(resources.begin(), resources.end(), "js:loaded"), 0);
    EXPECT_EQ(js("document.getElementById('signal') ? 'kept' : 'gone'"), "kept");
    EXPECT_TRUE(delegate_->errors.empty());
    EXPECT_EQ(delegate_->finished, 1);

    // A frame of the server still loads.
    js("var g = document.createElement('iframe'); g.src = '/frame'; "
       "document.body.appendChild(g);");
    EXPECT_TRUE(waitFor([&] { return hits("/frame") == 1; }));
    EXPECT_EQ(std::count(resources.begin(), resources.end(), server_.url("/frame")), 1);
    g_signal_handlers_disconnect_by_data(widget, &resources);
}

// A script costs one trip to the page; only one that starts navigations has the page's frames
// read behind it, so that the navigation of a frame it added needs no probe of its own.
TEST_F(WebKitEngineTest, AScriptReadsThePagesFramesOnlyWhenItStartedNavigations) {
    const std::string pageURL = server_.url("/page");
    ASSERT_TRUE(load(pageURL));
    auto& engine = engineOf(*webView_);
    const int listed = engine.framesListed();
    EXPECT_EQ(js("1 + 1"), "2");
    EXPECT_EQ(js("document.title"), "Hello page");
    EXPECT_EQ(engine.framesListed(), listed);

    js("var f = document.createElement('iframe'); f.src = '/frame'; "
       "document.body.appendChild(f);");
    ASSERT_TRUE(waitFor([&] { return hits("/frame") == 1; }));
    EXPECT_EQ(engine.framesListed(), listed + 1);
    EXPECT_EQ(engine.framesAsked(), 0);
    ASSERT_NE(delegate_->find(server_.url("/frame")), nullptr);
    EXPECT_EQ(delegate_->find(server_.url("/frame"))->mainDocumentURL, pageURL);
}

TEST_F(WebKitEngineTest, ALinkClickIsTypeZeroAndARefusedNavigationDoesNotLoad) {
    const std::string pageURL = server_.url("/page");
    const std::string nextURL = server_.url("/next");
    ASSERT_TRUE(load(pageURL));
    delegate_->policy = [&](const Navigation& navigation) { return navigation.url != nextURL; };
    js("document.getElementById('link').click()");
    ASSERT_TRUE(waitFor([&] { return delegate_->find(nextURL) != nullptr; }));
    const Navigation* link = delegate_->find(nextURL);
    EXPECT_EQ(link->type, WebViewNavigationType::LinkClicked);
    // A top-level navigation: the main document is the new page itself.
    EXPECT_EQ(link->mainDocumentURL, nextURL);
    settle();
    EXPECT_EQ(hits("/next"), 0);
    EXPECT_EQ(js("location.href"), pageURL);
    EXPECT_EQ(delegate_->started, 1);
    EXPECT_EQ(webView_->request()->url()->absoluteString(), pageURL);

    // Let through, the link loads and the view's request follows it.
    delegate_->policy = nullptr;
    js("document.getElementById('link').click()");
    ASSERT_TRUE(waitFor([&] { return delegate_->finished == 2; }));
    EXPECT_EQ(hits("/next"), 1);
    EXPECT_EQ(js("document.title"), "Next");
    EXPECT_EQ(webView_->request()->url()->absoluteString(), nextURL);
    EXPECT_EQ(delegate_->started, 2);

    // History steps and reload are asked with their own types.
    ASSERT_TRUE(webView_->canGoBack());
    webView_->goBack();
    ASSERT_TRUE(waitFor([&] { return delegate_->finished == 3; }));
    EXPECT_EQ(delegate_->navigations.back().type, WebViewNavigationType::BackForward);
    EXPECT_EQ(webView_->request()->url()->absoluteString(), pageURL);
    webView_->reload();
    ASSERT_TRUE(waitFor([&] { return delegate_->finished == 4; }));
    EXPECT_EQ(delegate_->navigations.back().type, WebViewNavigationType::Reload);
}

TEST_F(WebKitEngineTest, AFormPostIsTypeOneWithItsMethodAndBody) {
    const std::string submitURL = server_.url("/submit");
    ASSERT_TRUE(load(server_.url("/page")));
    delegate_->policy = [&](const Navigation& navigation) { return navigation.url != submitURL; };
    js("document.getElementById('go').click()");
    ASSERT_TRUE(waitFor([&] { return delegate_->find(submitURL) != nullptr; }));
    const Navigation post = *delegate_->find(submitURL);
    EXPECT_EQ(post.type, WebViewNavigationType::FormSubmitted);
    EXPECT_EQ(post.mainDocumentURL, submitURL);
    EXPECT_EQ(post.method, "POST");
    EXPECT_EQ(post.body, "q=a+b%26c&h=1&button=pressed");
    settle();
    EXPECT_EQ(hits("/submit"), 0);

    // Let through, the page posts it itself.
    delegate_->policy = nullptr;
    js("document.getElementById('form').submit()");
    ASSERT_TRUE(waitFor([&] { return delegate_->finished == 2; }));
    EXPECT_EQ(hits("/submit"), 1);
    {
        std::lock_guard lock(mutex_);
        EXPECT_EQ(postedBody_, "q=a+b%26c&h=1");
    }
    EXPECT_EQ(delegate_->navigations.back().type, WebViewNavigationType::FormSubmitted);
    EXPECT_EQ(js("document.title"), "Posted");
}

TEST_F(WebKitEngineTest, ADelegateMayLetTheViewGoFromItsOwnCall) {
    // The delegate drops the view when its page has finished, from inside that call.
    class Dropping : public ui::WebViewDelegate {
    public:
        std::shared_ptr<ui::WebView>* view = nullptr;
        bool finished = false;
        void webViewDidFinishLoad(ui::WebView&) override {
            finished = true;
            view->reset();
        }
    };
    auto dropping = std::make_shared<Dropping>();
    webView_ = ui::WebView::create(ui::Rect(ui::Point(0, 0), ui::Size(320, 480)));
    dropping->view = &webView_;
    webView_->setDelegate(dropping);
    webView_->loadRequest(net::URLRequest(base::URL::parse(server_.url("/page"))));
    ASSERT_TRUE(waitFor([&] { return dropping->finished; }));
    EXPECT_EQ(webView_, nullptr);
    // Whatever the engine still had to say goes nowhere.
    settle();
}

TEST_F(WebKitEngineTest, HTMLWithABaseURLAndDataWithAMIMEType) {
    webView_ = makeWebView();
    const std::string base = server_.url("/dir/");
    webView_->loadHTMLString("<html><head><title>From text</title></head><body>"
                             "<a id='a' href='relative'>r</a></body></html>",
                             base::URL::parse(base));
    ASSERT_TRUE(waitFor([&] { return delegate_->finished == 1; }));
    EXPECT_EQ(js("document.getElementById('a').href"), base + "relative");
    EXPECT_EQ(webView_->request()->url()->absoluteString(), base);

    webView_->loadData(base::Data::fromString("plain words"), "text/plain", "utf-8", std::nullopt);
    ASSERT_TRUE(waitFor([&] { return delegate_->finished == 2; }));
    EXPECT_EQ(js("document.body.innerText"), "plain words");
    EXPECT_EQ(webView_->request()->url()->absoluteString(), "about:blank");
    EXPECT_EQ(delegate_->started, 2);
    EXPECT_TRUE(delegate_->errors.empty());
}

// Content given under the address of the page shown with another fragment is a new document:
// it replaces the page, and its load ends.
TEST_F(WebKitEngineTest, ContentUnderTheShownAddressWithAFragmentReplacesThePage) {
    webView_ = makeWebView();
    const std::string base = server_.url("/page");
    webView_->loadHTMLString("<p id='p'>first</p>", base::URL::parse(base));
    ASSERT_TRUE(waitFor([&] { return delegate_->finished == 1; }));
    webView_->loadHTMLString("<p id='p'>second</p>", base::URL::parse(base + "#part"));
    ASSERT_TRUE(waitFor([&] { return delegate_->finished == 2; }));
    EXPECT_EQ(js("document.getElementById('p').textContent"), "second");
    webView_->loadData(base::Data::fromString("<p id='p'>third</p>"), "text/html", "utf-8",
                       base::URL::parse(base + "#other"));
    ASSERT_TRUE(waitFor([&] { return delegate_->finished == 3; }));
    EXPECT_EQ(js("document.getElementById('p').textContent"), "third");
    EXPECT_TRUE(delegate_->errors.empty());
}

// A page's script that opens a window asks the delegate, and the page loads in this view.
TEST_F(WebKitEngineTest, WindowOpenLoadsInThisViewOnceTheDelegateLetsIt) {
    webView_ = makeWebView();
    ASSERT_TRUE(load(server_.url("/page")));
    const int finished = delegate_->finished;
    delegate_->policy = [](const Navigation& navigation) {
        return navigation.url.find("refused") == std::string::npos;
    };
    js("window.open('/next?refused'); window.open(''); window.open('/next')");
    ASSERT_TRUE(waitFor([&] { return delegate_->finished > finished; }));
    EXPECT_EQ(webView_->request()->url()->absoluteString(), server_.url("/next"));
    EXPECT_EQ(js("document.title"), "Next");
    // The refused one was asked about and not loaded; the empty window loads nothing.
    EXPECT_TRUE(delegate_->find(server_.url("/next?refused")));
    EXPECT_EQ(hits("/next"), 1);
    EXPECT_FALSE(delegate_->find("about:blank"));
}

TEST_F(WebKitEngineTest, APageThatNeverFinishesStaysLoadingUntilStopped) {
    webView_ = makeWebView();
    webView_->loadRequest(net::URLRequest(base::URL::parse(server_.url("/slow"))));
    ASSERT_TRUE(waitFor([&] { return delegate_->started == 1; }));
    settle();
    EXPECT_TRUE(webView_->isLoading());
    EXPECT_EQ(delegate_->finished, 0);
    webView_->stopLoading();
    ASSERT_TRUE(waitFor([&] { return !delegate_->errors.empty(); }));
    EXPECT_EQ(delegate_->errors[0].domain, base::URLErrorDomain);
    EXPECT_EQ(delegate_->errors[0].code, base::URLErrorCancelled);
    EXPECT_FALSE(webView_->isLoading());
    server_.release();
    settle();
    EXPECT_EQ(delegate_->finished, 0);
    EXPECT_EQ(delegate_->errors.size(), 1u);
}

TEST_F(WebKitEngineTest, AnUnreachableServerFailsTheLoadOnce) {
    webView_ = makeWebView();
    const std::string url =
        "http://127.0.0.1:" + std::to_string(net::closedLoopbackPort()) + "/nothing";
    webView_->loadRequest(net::URLRequest(base::URL::parse(url)));
    ASSERT_TRUE(waitFor([&] { return !delegate_->errors.empty(); }));
    settle();
    EXPECT_EQ(delegate_->errors.size(), 1u);
    EXPECT_EQ(delegate_->errors[0].domain, base::URLErrorDomain);
    EXPECT_EQ(delegate_->errors[0].code, base::URLErrorCannotConnectToHost);
    EXPECT_EQ(delegate_->finished, 0);
}

TEST_F(WebKitEngineTest, AWebProcessThatDiesFailsThePageAndTheViewRecovers) {
    ASSERT_TRUE(load(server_.url("/page")));
    auto& engine = engineOf(*webView_);
    const std::set<int> before = webProcesses();
    ASSERT_FALSE(before.empty());
    // A crash from outside: kill the view's web process.
    for (int pid : before)
        kill(pid, SIGKILL);
    ASSERT_TRUE(waitFor([&] { return !delegate_->errors.empty(); }));
    EXPECT_EQ(delegate_->errors[0].domain, WebKitEngine::ErrorDomain);
    EXPECT_EQ(delegate_->errors[0].code, WebKitEngine::WebProcessTerminated);
    EXPECT_EQ(engine.evaluateJavaScript("1"), std::nullopt);
    // A new load brings a new process.
    ASSERT_TRUE(load(server_.url("/next")));
    EXPECT_EQ(js("document.title"), "Next");
}

TEST_F(WebKitEngineTest, CookiesAreSharedWithTheCookieStorage) {
    auto jar = net::CookieStorage::shared();
    ASSERT_TRUE(load(server_.url("/cookie")));
    auto find = [&](const std::string& name) -> std::optional<net::Cookie> {
        for (const auto& cookie : jar->cookies())
            if (cookie.name == name)
                return cookie;
        return std::nullopt;
    };
    // Set by the page's response and by its script, SameSite and all.
    EXPECT_TRUE(waitFor([&] { return find("fromServer") && find("fromScript"); }));
    EXPECT_EQ(find("fromServer")->sameSite, net::Cookie::SameSite::Strict);
    EXPECT_EQ(find("fromScript")->sameSite, net::Cookie::SameSite::Lax);

    // Set by us: the page sees it, and the engine keeps its SameSite (read back, it would
    // otherwise come back as None and overwrite ours).
    net::Cookie ours;
    ours.name = "fromJar";
    ours.value = "three";
    ours.domain = "127.0.0.1";
    ours.sameSite = net::Cookie::SameSite::Lax;
    ASSERT_TRUE(jar->setCookie(ours));
    EXPECT_TRUE(waitFor([&] {
        return WebKitWebsiteData::shared().pendingOperations() == 0 &&
               js("document.cookie").find("fromJar=three") != std::string::npos;
    }));
    WebKitWebsiteData::shared().readEngineCookies();
    EXPECT_TRUE(waitFor([] { return WebKitWebsiteData::shared().pendingOperations() == 0; }));
    EXPECT_EQ(find("fromJar")->sameSite, net::Cookie::SameSite::Lax);

    // Emptied by us: the page has none left.
    jar->deleteAllCookies();
    EXPECT_TRUE(waitFor([&] {
        return WebKitWebsiteData::shared().pendingOperations() == 0 &&
               js("document.cookie").empty();
    }));
    settle();
    EXPECT_TRUE(jar->cookies().empty());
}

// Whether the engine's session holds cached responses.
bool engineHasCache() {
    struct Fetch {
        bool done = false;
        bool any = false;
    } fetch;
    webkit_website_data_manager_fetch(
        webkit_network_session_get_website_data_manager(WebKitWebsiteData::shared().session()),
        static_cast<WebKitWebsiteDataTypes>(WEBKIT_WEBSITE_DATA_MEMORY_CACHE |
                                            WEBKIT_WEBSITE_DATA_DISK_CACHE),
        nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            auto* fetch = static_cast<Fetch*>(data);
            GList* records = webkit_website_data_manager_fetch_finish(
                WEBKIT_WEBSITE_DATA_MANAGER(source), result, nullptr);
            fetch->any = records != nullptr;
            g_list_free_full(records, reinterpret_cast<GDestroyNotify>(webkit_website_data_unref));
            fetch->done = true;
        },
        &fetch);
    base::RunLoop::main().runUntil([&] { return fetch.done; }, 20s);
    return fetch.any;
}

TEST_F(WebKitEngineTest, EmptyingTheURLCacheEmptiesTheEnginesCache) {
    ASSERT_TRUE(load(server_.url("/cached")));
    ASSERT_TRUE(waitFor([] { return engineHasCache(); }));
    net::URLCache::shared()->removeAllCachedResponses();
    EXPECT_TRUE(waitFor(
        [] { return WebKitWebsiteData::shared().pendingOperations() == 0 && !engineHasCache(); }));
}

TEST_F(WebKitEngineTest, TheScrollViewFollowsThePageAndMovesIt) {
    ASSERT_TRUE(load(server_.url("/tall")));
    auto scrollView = webView_->scrollView();
    EXPECT_TRUE(waitFor([&] { return scrollView->contentSize().height >= 5000; }));

    // A page that is not shown costs nothing: it tells where it stands once it is shown.
    js("window.scrollTo(0, 300)");
    settle();
    EXPECT_EQ(scrollView->contentOffset().y, 0);
    const auto window = refSink(gtk_window_new());
    gtk_window_set_default_size(GTK_WINDOW(window.get()), 320, 480);
    gtk_window_set_child(GTK_WINDOW(window.get()), engineOf(*webView_).widget());
    gtk_window_present(GTK_WINDOW(window.get()));
    EXPECT_TRUE(waitFor([&] { return scrollView->contentOffset().y == 300; }));

    // Code moves the scroll view: the page scrolls.
    scrollView->setContentOffset(ui::Point(0, 400));
    EXPECT_TRUE(waitFor([&] { return js("window.scrollY") == "400"; }));
    settle();
    EXPECT_EQ(scrollView->contentOffset().y, 400);

    // The page scrolls: the scroll view follows.
    js("window.scrollTo(0, 1000)");
    EXPECT_TRUE(waitFor([&] { return scrollView->contentOffset().y == 1000; }));

    // A top inset set on the scroll view reaches the engine: offsets count from above it, so
    // the top of the page is at minus the inset. The page itself scrolls only past the inset
    // (the window moves the page up through the inset), and a page that scrolls by itself
    // takes the inset away.
    scrollView->setContentOffset(ui::Point(0, -50));
    scrollView->setContentInset(ui::EdgeInsets(50, 0, 0, 0));
    EXPECT_EQ(engineOf(*webView_).contentInset(), ui::EdgeInsets(50, 0, 0, 0));
    EXPECT_TRUE(waitFor([&] { return js("window.scrollY") == "0"; }));
    settle();
    EXPECT_EQ(scrollView->contentOffset().y, -50);
    scrollView->setContentOffset(ui::Point(0, -20));
    settle();
    EXPECT_EQ(js("window.scrollY"), "0");
    scrollView->setContentOffset(ui::Point(0, 100));
    EXPECT_TRUE(waitFor([&] { return js("window.scrollY") == "100"; }));
    scrollView->setContentOffset(ui::Point(0, -50));
    EXPECT_TRUE(waitFor([&] { return js("window.scrollY") == "0"; }));
    js("window.scrollTo(0, 10)");
    EXPECT_TRUE(waitFor([&] { return scrollView->contentOffset().y == 10; }));
    gtk_window_set_child(GTK_WINDOW(window.get()), nullptr);
    gtk_window_destroy(GTK_WINDOW(window.get()));
}

TEST_F(WebKitEngineTest, RelatedViewsShareAWebProcess) {
    ASSERT_TRUE(load(server_.url("/page")));
    auto newProcesses = [](const std::set<int>& before) {
        std::set<int> added;
        for (int pid : webProcesses())
            if (!before.count(pid))
                added.insert(pid);
        return added;
    };
    std::set<int> before = webProcesses();
    auto related = makeWebView(webView_.get());
    related->loadRequest(net::URLRequest(base::URL::parse(server_.url("/next"))));
    ASSERT_TRUE(waitFor([&] { return delegate_->finished == 2; }));
    EXPECT_EQ(related->stringByEvaluatingJavaScriptFromString("document.title"), "Next");
    EXPECT_TRUE(newProcesses(before).empty());

    before = webProcesses();
    auto unrelated = makeWebView();
    unrelated->loadRequest(net::URLRequest(base::URL::parse(server_.url("/next"))));
    ASSERT_TRUE(waitFor([&] { return delegate_->finished == 3; }));
    EXPECT_EQ(newProcesses(before).size(), 1u);
}

// A view made related to a page only shares its web process: each has its own page and
// script world, so neither's script reaches the other's globals, even of the same origin and
// looked up by window name.
TEST_F(WebKitEngineTest, RelatedViewsKeepTheirScriptWorldsApart) {
    ASSERT_TRUE(load(server_.url("/page")));
    js("window.pageSecret = 'page'; window.name = 'tab'; 1");
    auto related = makeWebView(webView_.get());
    related->loadHTMLString("<script>window.adSecret = 'ad'; window.name = 'ad';</script>",
                            base::URL::parse(server_.url("/")));
    ASSERT_TRUE(waitFor([&] { return delegate_->finished == 2; }));
    ASSERT_EQ(related->stringByEvaluatingJavaScriptFromString("window.adSecret"), "ad");

    // What a script may try to reach another page by: its globals, its opener, parent and
    // frames, and a window of that name.
    auto reach = [](const std::string& global, const std::string& name) {
        return "[typeof " + global + ", String(window.opener), window.top === window, " +
               "window.parent === window, window.frames.length, (function () {" +
               "  var found = window.open('', '" + name + "');" +
               "  try { return found ? String(found." + global + ") : 'none'; }" +
               "  catch (e) { return 'refused'; } })()].join(' ')";
    };
    const std::string fromAd =
        related->stringByEvaluatingJavaScriptFromString(reach("pageSecret", "tab"));
    const std::string fromPage = js(reach("adSecret", "ad"));
    for (const auto& seen : {fromAd, fromPage}) {
        SCOPED_TRACE(seen);
        EXPECT_TRUE(seen.starts_with("undefined null true true 0 ")) << seen;
        EXPECT_EQ(seen.find("secret"), std::string::npos);
        EXPECT_TRUE(seen.ends_with(" none") || seen.ends_with(" undefined") ||
                    seen.ends_with(" refused"));
    }
    // The same probe inside one page finds its own window by name.
    EXPECT_EQ(js(reach("pageSecret", "tab")), "string null true true 0 page");
}

} // namespace
} // namespace gtk
