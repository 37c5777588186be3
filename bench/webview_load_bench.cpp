// Loading a page from a loopback server: through ui::WebView and the WebKit engine (a
// decision asked of the delegate, events brought to the run loop, the page's scripts that
// report size and scrolling) beside a bare WebKitWebView loading the same URL with GLib
// iterated directly; 10 KB, 100 KB and 1 MB pages, and the ratio of the two (ours / bare).
// Needs a display: run it under xvfb-run -a.

#include "bench/RatioReporter.h"
#include "platform/base/RunLoop.h"
#include "platform/gtk/GtkPlatform.h"
#include "platform/gtk/WebKitWebsiteData.h"
#include "platform/net/TestHTTPServer.h"
#include "platform/net/URLRequest.h"
#include "platform/ui/WebView.h"
#include "platform/ui/WebViewDelegate.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <httplib.h>
#include <map>
#include <memory>
#include <string>
#include <webkit/webkit.h>

namespace {

using namespace std::chrono_literals;

// A page of about `size` bytes of text in paragraphs.
std::string page(std::size_t size) {
    std::string html = "<html><head><title>bench</title></head><body>";
    const std::string paragraph =
        "<p>The quick brown fox jumps over the lazy dog, again and again, line after line.</p>\n";
    while (html.size() + paragraph.size() + 16 < size)
        html += paragraph;
    html += "</body></html>";
    return html;
}

class PageServer {
public:
    PageServer() {
        for (std::size_t size :
             {std::size_t(10) << 10, std::size_t(100) << 10, std::size_t(1) << 20})
            pages_[size] = page(size);
        http_.server().Get("/page",
                           [this](const httplib::Request& request, httplib::Response& response) {
                               const std::size_t size = std::stoul(request.get_param_value("size"));
                               response.set_header("Cache-Control", "no-store");
                               response.set_content(pages_.at(size), "text/html");
                           });
        http_.start();
    }
    std::string url(std::size_t size, long serial) const {
        return http_.url("/page?size=" + std::to_string(size) + "&n=" + std::to_string(serial));
    }

private:
    std::map<std::size_t, std::string> pages_;
    net::TestHTTPServer http_; // last: stops before the pages go
};

PageServer& server() {
    static PageServer instance;
    return instance;
}

class FinishCounter : public ui::WebViewDelegate {
public:
    void webViewDidFinishLoad(ui::WebView&) override { ++finished; }
    void webViewDidFailLoadWithError(ui::WebView&, const base::Error&) override { ++failed; }
    int finished = 0;
    int failed = 0;
};

void BM_Load_WebView(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    auto delegate = std::make_shared<FinishCounter>();
    auto view = ui::WebView::create(ui::Rect(ui::Point(0, 0), ui::Size(320, 480)));
    view->setDelegate(delegate);
    long serial = 0;
    for (auto _ : state) {
        const int before = delegate->finished;
        view->loadRequest(net::URLRequest(base::URL::parse(server().url(size, ++serial))));
        if (!base::RunLoop::main().runUntil([&] { return delegate->finished > before; }, 30s)) {
            state.SkipWithError("the page did not finish");
            break;
        }
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * size));
}

void BM_Load_WebKitDirect(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    auto* view = WEBKIT_WEB_VIEW(
        g_object_ref_sink(g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session",
                                       gtk::WebKitWebsiteData::shared().session(), nullptr)));
    int finished = 0;
    g_signal_connect(view, "load-changed",
                     G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer count) {
                         if (event == WEBKIT_LOAD_FINISHED)
                             ++*static_cast<int*>(count);
                     }),
                     &finished);
    GMainContext* context = g_main_context_default();
    long serial = 0;
    for (auto _ : state) {
        const int before = finished;
        webkit_web_view_load_uri(view, server().url(size, ++serial).c_str());
        const gint64 deadline = g_get_monotonic_time() + 30 * G_USEC_PER_SEC;
        while (finished == before && g_get_monotonic_time() < deadline)
            g_main_context_iteration(context, TRUE);
        if (finished == before) {
            state.SkipWithError("the page did not finish");
            break;
        }
    }
    g_signal_handlers_disconnect_by_data(view, &finished);
    g_object_unref(view);
    state.SetBytesProcessed(std::int64_t(state.iterations() * size));
}

BENCHMARK(BM_Load_WebView)
    ->Arg(10 << 10)
    ->Arg(100 << 10)
    ->Arg(1 << 20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Load_WebKitDirect)
    ->Arg(10 << 10)
    ->Arg(100 << 10)
    ->Arg(1 << 20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (auto installed = gtk::GtkPlatform::install(); !installed) {
        std::fprintf(stderr, "webview_load_bench: %s\n",
                     installed.error().localizedDescription().c_str());
        return 1;
    }
    std::vector<RatioReporter::Pair> pairs;
    for (const std::string size : {"10240", "102400", "1048576"})
        pairs.push_back({"BM_Load_WebView/" + size + "/real_time",
                         "BM_Load_WebKitDirect/" + size + "/real_time", size + " bytes"});
    RatioReporter("ui::WebView + engine / bare WebKitWebView", std::move(pairs)).runBenchmarks();
    benchmark::Shutdown();
    return 0;
}
