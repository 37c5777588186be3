// The page road of the program against the bare engine. The browser runs as bin/browser runs
// it: launched, its window shown; a bare WebKitWebView sits in a window of the same size beside
// it. Pages of 10 KB, 100 KB, 1 MB and 5 MB come from a loopback server in a child process.
//   TypedAddress: an address typed into the address field (the tab fetches the page itself and
//     hands it to its web view) until the browser's final-load signal has given the tab the
//     page's title and the engine has ended the load, against the bare view loading the same
//     kind of URL until load-finished.
//   LinkClick: a link clicked in the page shown (the tab fetches its target itself) until the
//     same end, against the same click in the bare view until load-finished.
// The page signals its end at its load event, and the engine reports load-finished after the
// layout it runs then (most of a second for 5 MB): with --until_signal our side ends at the
// signal alone, and the bare view's at its page's load event (a script message).
// Each turn times both, ours first on one turn and the bare view first on the next; both web
// processes are started before anything is timed, and both are done with the page shown before
// the other side is timed (a web process lays out and draws a page after reporting it loaded: a
// tenth of a second for 5 MB, which would otherwise slow the turn after it). The ratio is ours
// over the bare view's, median wall times. Needs a display: run it under xvfb-run -a.

#include "bench/AlternatedPair.h"
#include "bench/ChildHTTPServer.h"
#include "bench/RatioReporter.h"
#include "browser/AppDelegate.h"
#include "browser/BrowserSettings.h"
#include "browser/BrowserViewController.h"
#include "browser/Tab.h"
#include "platform/base/Bundle.h"
#include "platform/base/RunLoop.h"
#include "platform/gtk/GOwned.h"
#include "platform/gtk/GtkPlatform.h"
#include "platform/gtk/MainWindow.h"
#include "platform/gtk/WebKitWebsiteData.h"
#include "platform/net/TestHTTPServer.h"
#include "platform/ui/Application.h"
#include "platform/ui/Device.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <gtk/gtk.h>
#include <httplib.h>
#include <map>
#include <memory>
#include <string>
#include <webkit/webkit.h>

namespace {

using namespace std::chrono_literals;

constexpr long sizes[] = {10L << 10, 100L << 10, 1L << 20, 5L << 20};

// Page n of about `size` bytes: title "p<n>" (short enough to show whole in a tab), a link to
// page n + 1 first, then paragraphs of text.
std::string page(long size, long n, const std::string& filler) {
    std::string html =
        "<html><head><title>p" + std::to_string(n) +
        "</title></head><body><p><a id='link' href='/page?size=" + std::to_string(size) +
        "&n=" + std::to_string(n + 1) + "'>next</a></p>\n";
    html.append(filler, 0, std::size_t(std::max(0L, size - long(html.size()) - 16)));
    return html + "</body></html>";
}

std::string filler(long size) {
    const std::string paragraph =
        "<p>The quick brown fox jumps over the lazy dog, again and again, line after line.</p>\n";
    std::string text;
    while (long(text.size()) < size)
        text += paragraph;
    return text;
}

void routes(httplib::Server& server) {
    static const std::string text = filler(*std::rbegin(sizes));
    server.Get("/page", [](const httplib::Request& request, httplib::Response& response) {
        const long size = std::stol(request.get_param_value("size"));
        const long n = std::stol(request.get_param_value("n"));
        response.set_header("Cache-Control", "no-store");
        response.set_content(page(size, n, text), "text/html; charset=utf-8");
    });
}

ChildHTTPServer* server = nullptr;
long serial = 0;
bool untilSignal = false;

std::string pageURL(long size, long n) {
    return server->url("/page?size=" + std::to_string(size) + "&n=" + std::to_string(n));
}

// The program, launched as bin/browser launches it.
class Browser {
public:
    Browser() {
        delegate_ = std::make_shared<AppDelegate>();
        ui::Application::shared().setDelegate(delegate_);
        if (!ui::Application::shared().launch())
            return;
        window_ = std::make_unique<gtk::MainWindow>(delegate_->window());
        window_->present();
        screen_ = delegate_->viewController();
    }
    ~Browser() {
        ui::Application::shared().terminate();
        base::RunLoop::main().reset();
        screen_.reset();
        ui::Application::shared().setDelegate(nullptr);
        delegate_.reset();
    }
    bool launched() const { return screen_ != nullptr; }
    GtkWindow* gtkWindow() const { return window_->gtkWindow(); }

    // Types the address and waits for the final-load signal of page n.
    bool typeAddressAndWait(const std::string& address, long n) {
        auto field = screen_->addressBar();
        field->becomeFirstResponder();
        field->setText(address);
        field->simulateReturn();
        return waitForTitle(n);
    }
    // Clicks the page's link, which leads to page n, and waits for its final-load signal.
    bool clickLinkAndWait(long n) {
        screen_->selectedTab()->webView()->stringByEvaluatingJavaScriptFromString(
            "document.getElementById('link').click()");
        return waitForTitle(n);
    }
    // Waits until the tab's web process has done what the load left it to do (laying out and
    // drawing the page): a script's answer comes once it has.
    void settle() {
        screen_->selectedTab()->webView()->stringByEvaluatingJavaScriptFromString("0");
    }

private:
    // The final-load signal ends with the page's title on the tab; the engine's end of the
    // load follows (unless untilSignal).
    bool waitForTitle(long n) {
        const std::string title = "p" + std::to_string(n);
        const auto& tab = *screen_->selectedTab();
        return base::RunLoop::main().runUntil(
            [&] {
                return !tab.loading() &&
                       tab.tabButton()->titleForState(ui::ControlStateNormal) == title &&
                       (untilSignal || !tab.webView()->isLoading());
            },
            60s);
    }

    std::shared_ptr<AppDelegate> delegate_;
    std::unique_ptr<gtk::MainWindow> window_;
    std::shared_ptr<BrowserViewController> screen_;
};

// One WebKitWebView filling a window of the browser window's size.
class BareView {
public:
    explicit BareView(GtkWindow* sizeOf) {
        int width = 0;
        int height = 0;
        gtk_window_get_default_size(sizeOf, &width, &height);
        window_ = GTK_WINDOW(gtk_window_new());
        gtk_window_set_default_size(window_, width, height);
        // Each page tells its load event, for --until_signal.
        webkit_user_content_manager_register_script_message_handler(content_.get(), "bareLoad",
                                                                    nullptr);
        g_signal_connect(content_.get(), "script-message-received::bareLoad",
                         G_CALLBACK(+[](WebKitUserContentManager*, JSCValue*, gpointer count) {
                             ++*static_cast<long*>(count);
                         }),
                         &loadEvents_);
        auto atLoad = gtk::adopt(
            webkit_user_script_new("window.addEventListener('load', function () {"
                                   "window.webkit.messageHandlers.bareLoad.postMessage(0); });",
                                   WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                   WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END, nullptr, nullptr));
        webkit_user_content_manager_add_script(content_.get(), atLoad.get());
        view_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session",
                                             gtk::WebKitWebsiteData::shared().session(),
                                             "user-content-manager", content_.get(), nullptr));
        gtk_window_set_child(window_, GTK_WIDGET(view_));
        g_signal_connect(view_, "load-changed",
                         G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer count) {
                             if (event == WEBKIT_LOAD_FINISHED)
                                 ++*static_cast<long*>(count);
                         }),
                         &finished_);
        gtk_window_present(window_);
    }
    ~BareView() {
        g_signal_handlers_disconnect_by_data(view_, &finished_);
        g_signal_handlers_disconnect_by_data(content_.get(), &loadEvents_);
        gtk_window_destroy(window_);
    }
    BareView(const BareView&) = delete;
    BareView& operator=(const BareView&) = delete;

    bool loadAndWait(const std::string& address) {
        const long before = ends();
        webkit_web_view_load_uri(view_, address.c_str());
        return waitForFinish(before);
    }
    bool clickLinkAndWait() {
        const long before = ends();
        // As the browser's script call does: the answer first, then the load.
        return evaluate("document.getElementById('link').click()") && waitForFinish(before);
    }
    // As Browser::settle.
    void settle() { evaluate("0"); }

private:
    // Runs the script and waits for its answer.
    bool evaluate(const char* script) {
        bool answered = false;
        webkit_web_view_evaluate_javascript(
            view_, script, -1, nullptr, nullptr, nullptr,
            [](GObject* source, GAsyncResult* result, gpointer done) {
                if (JSCValue* value = webkit_web_view_evaluate_javascript_finish(
                        WEBKIT_WEB_VIEW(source), result, nullptr))
                    g_object_unref(value);
                *static_cast<bool*>(done) = true;
            },
            &answered);
        return base::RunLoop::main().runUntil([&] { return answered; }, 60s);
    }
    // The loads ended so far: load-finished, or the pages' load events with --until_signal.
    long ends() const { return untilSignal ? loadEvents_ : finished_; }
    bool waitForFinish(long before) {
        return base::RunLoop::main().runUntil([&] { return ends() > before; }, 60s);
    }

    GtkWindow* window_ = nullptr;
    gtk::GOwned<WebKitUserContentManager> content_ = gtk::adopt(webkit_user_content_manager_new());
    WebKitWebView* view_ = nullptr;
    long finished_ = 0;
    long loadEvents_ = 0;
};

Browser* browser = nullptr;
BareView* bare = nullptr;

void settleBoth() {
    browser->settle();
    bare->settle();
}

void BM_TypedAddress(benchmark::State& state) {
    const long size = long(state.range(0));
    AlternatedPair pair;
    for (auto _ : state) {
        const long n = ++serial;
        if (!pair.run(
                state, [&] { return browser->typeAddressAndWait(pageURL(size, n), n); },
                [&] { return bare->loadAndWait(pageURL(size, n)); }, settleBoth)) {
            state.SkipWithError("a page did not finish");
            break;
        }
    }
    pair.report(state);
}

void BM_LinkClick(benchmark::State& state) {
    const long size = long(state.range(0));
    // Both start on a page of this size whose link leads on; every click leaves them on the
    // next such page.
    long n = ++serial;
    if (!browser->typeAddressAndWait(pageURL(size, n), n) || !bare->loadAndWait(pageURL(size, n))) {
        state.SkipWithError("the first page did not finish");
        return;
    }
    AlternatedPair pair;
    for (auto _ : state) {
        ++n;
        if (!pair.run(
                state, [&] { return browser->clickLinkAndWait(n); },
                [&] { return bare->clickLinkAndWait(); }, settleBoth)) {
            state.SkipWithError("a page did not finish");
            break;
        }
    }
    serial = n;
    pair.report(state);
}

// Enough turns for a steady median at every size.
constexpr int iterations = 21;

void arguments(benchmark::internal::Benchmark* benchmark) {
    for (long size : sizes)
        benchmark->Arg(size);
    benchmark->Iterations(iterations);
    benchmark->UseManualTime()->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_TypedAddress)->Apply(arguments);
BENCHMARK(BM_LinkClick)->Apply(arguments);

} // namespace

int main(int argc, char** argv) {
    // Before GTK starts its threads: the server is a copy of this process.
    ChildHTTPServer pages(routes);
    if (!pages.started()) {
        std::fprintf(stderr, "page_road_bench: the server process did not start\n");
        return 1;
    }
    server = &pages;
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--until_signal") {
            untilSignal = true;
            std::copy(argv + i + 1, argv + argc, argv + i);
            --argc;
            break;
        }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    ui::Device::install(std::make_shared<ui::Device>(ui::UserInterfaceIdiom::Phone));
    if (auto installed = gtk::GtkPlatform::install(); !installed) {
        std::fprintf(stderr, "page_road_bench: %s\n",
                     installed.error().localizedDescription().c_str());
        return 1;
    }
    // The first tab's home page is the search engine's: a closed loopback port here, so that
    // nothing leaves the machine.
    base::Value::Dictionary info;
    info[BrowserSettings::searchEngineHostKey] =
        base::Value("127.0.0.1:" + std::to_string(net::closedLoopbackPort()));
    base::Bundle::install(
        std::make_shared<base::Bundle>(base::Bundle::defaultResourcesDirectory(), info));

    int status = 0;
    {
        Browser program;
        if (!program.launched()) {
            std::fprintf(stderr, "page_road_bench: the browser did not launch\n");
            return 1;
        }
        BareView view(program.gtkWindow());
        browser = &program;
        bare = &view;
        // Both web processes start, and both connections open, before anything is timed.
        const long n = ++serial;
        if (!program.typeAddressAndWait(pageURL(sizes[0], n), n) ||
            !view.loadAndWait(pageURL(sizes[0], n))) {
            std::fprintf(stderr, "page_road_bench: the first page did not load\n");
            status = 1;
        } else {
            std::vector<RatioReporter::Pair> pairs;
            for (const char* road : {"BM_TypedAddress", "BM_LinkClick"})
                for (long size : sizes) {
                    const std::string name = std::string(road) + "/" + std::to_string(size);
                    pairs.push_back(
                        {name + "/iterations:" + std::to_string(iterations) + "/manual_time", "",
                         name.substr(3)});
                }
            RatioReporter("the browser's road / the bare engine, wall time", std::move(pairs))
                .runBenchmarks();
        }
        bare = nullptr;
        browser = nullptr;
    }
    benchmark::Shutdown();
    return status;
}
