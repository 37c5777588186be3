// The banner against doing its work by hand, on the real engine and the test ad server on the
// loopback:
//   Load: loadRequest to adViewDidReceiveAd of a banner (the core page asked for the ad URL,
//     the ad fetched, its HTML rendered in the banner's web view), against the same work by
//     hand: the one script call to a core page kept in a bare hidden web view, whose answer is
//     read from its "amsg" navigation, the ad fetched with a bare HTTP client and its HTML
//     loaded into a bare web view until load-finished. Both core pages and web processes are
//     started before anything is timed. Each side's time is also split at the ad request's
//     arrival at the server: the core page's road before it, the fetch and render after.
//   Memory: the anonymous resident memory of this process and every process below it (the
//     web and network processes) with one page in a web view (a tab), then with a banner
//     showing its ad beside it: the ads web views run in the tab's web process, so the banner
//     costs its pages, not a process ("web_processes_added" counts any). Then ten
//     refreshes of the banner, and what memory grew by over them, beside what ten loads of an
//     ad's page into one bare web view in the same web process grow it by.
// Needs a display: run it under xvfb-run -a.

#include "ads/foundation/VDDevice.h"
#include "ads/request/VDBannerView.h"
#include "ads/request/VDSDKCoreController.h"
#include "ads/webview/VDSDKCoreWebView.h"
#include "bench/AlternatedPair.h"
#include "bench/RatioReporter.h"
#include "platform/base/PercentEscape.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UserDefaults.h"
#include "platform/gtk/GtkPlatform.h"
#include "platform/gtk/WebKitEngine.h"
#include "platform/ui/Application.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/WebEngineFactory.h"
#include "platform/ui/WebView.h"
#include "platform/ui/WebViewDelegate.h"
#include "tests/fixtures/TestAdServer.h"

#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <httplib.h>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace std::chrono_literals;

testing_support::TestAdServer* server = nullptr;

using Clock = std::chrono::steady_clock;
// When the last ad request reached the server, to split a road at it.
std::atomic<Clock::rep> adRequestArrived{0};
double millisecondsSinceAdRequest(Clock::time_point now) {
    return std::chrono::duration<double, std::milli>(
               now - Clock::time_point(Clock::duration(adRequestArrived.load())))
        .count();
}

bool waitFor(const std::function<bool()>& condition) {
    return base::RunLoop::main().runUntil(condition, 60s);
}

class Host : public VDBannerViewDelegate {
public:
    void adViewDidReceiveAd(VDBannerView&) override { ++received; }
    void adViewDidFailToReceiveAdWithError(VDBannerView&, const base::Error&) override { ++failed; }
    int received = 0;
    int failed = 0;
};

class Finished : public ui::WebViewDelegate {
public:
    void webViewDidFinishLoad(ui::WebView&) override { ++finished; }
    void webViewDidFailLoadWithError(ui::WebView&, const base::Error&) override { ++failed; }
    int finished = 0;
    int failed = 0;
};

// A banner of the test server's HTML ad, loaded once so that the core page and the ads web
// process run.
struct Banner {
    Banner() {
        banner = VDBannerView::createWithAdSize(kVDAdSizeBanner);
        banner->setAdUnitID("html");
        banner->setRootViewController(controller);
        banner->setDelegate(host);
    }
    bool load() {
        const int before = host->received + host->failed;
        const auto begin = Clock::now();
        banner->loadRequest(nullptr);
        if (!waitFor([&] { return host->received + host->failed > before; }) || host->failed != 0)
            return false;
        const auto received = Clock::now();
        const double afterRequest = millisecondsSinceAdRequest(received);
        const double total = std::chrono::duration<double, std::milli>(received - begin).count();
        toAdRequestMs.push_back(total - afterRequest);
        afterAdRequestMs.push_back(afterRequest);
        return true;
    }
    std::vector<double> toAdRequestMs, afterAdRequestMs;
    std::shared_ptr<ui::ViewController> controller = ui::ViewController::create();
    std::shared_ptr<Host> host = std::make_shared<Host>();
    std::shared_ptr<VDBannerView> banner;
};

// The core page by hand, as a host without the ads client would keep it: loaded in a hidden web
// view whose "amsg" navigations are read, never loaded, for the ad URL the page answers with.
class CorePage : public ui::WebViewDelegate {
public:
    bool load() {
        webView->loadRequest(net::URLRequest(base::URL::parse(server->corePageURL())));
        return waitFor([&] { return finished > 0 || failed; }) && failed == 0;
    }
    // The one script call that builds the ad URL; nullopt when no answer came.
    std::optional<std::string> adURL(int requestID) {
        answer.reset();
        webView->stringByEvaluatingJavaScriptFromString(
            "VDMA_getAd({slotname: 'html', request_id: '" + std::to_string(requestID) + "'})");
        if (!waitFor([&] { return answer.has_value(); }))
            return std::nullopt;
        return answer;
    }
    bool webViewShouldStartLoadWithRequestNavigationType(ui::WebView&,
                                                         const net::URLRequest& request,
                                                         ui::WebViewNavigationType) override {
        if (!request.url() || request.url()->scheme() != "amsg")
            return true;
        const auto& query = request.url()->query();
        if (request.url()->absoluteString().find("/loadAdURL") != std::string::npos && query) {
            for (std::size_t begin = 0; begin <= query->size();) {
                auto end = query->find('&', begin);
                if (end == std::string::npos)
                    end = query->size();
                const std::string_view pair(query->data() + begin, end - begin);
                if (pair.starts_with("url="))
                    answer = base::percentUnescape(pair.substr(4));
                begin = end + 1;
            }
        }
        return false;
    }
    void webViewDidFinishLoad(ui::WebView&) override { ++finished; }
    void webViewDidFailLoadWithError(ui::WebView&, const base::Error&) override { ++failed; }

    std::shared_ptr<ui::WebView> webView = ui::WebView::create(ui::Rect(0, 0, 1, 1));
    std::optional<std::string> answer;
    int finished = 0;
    int failed = 0;
};

// The same work by hand: the core page's ad URL, the ad's HTTP fetch, then its HTML in a bare
// web view. Each step's time is kept for the steps' shares.
struct ByHand {
    ByHand()
        : client("127.0.0.1", server->port()) {
        webView->setDelegate(delegate);
        core->webView->setDelegate(core);
    }
    bool load() {
        const auto begin = Clock::now();
        const auto url = core->adURL(++requestID);
        if (!url)
            return false;
        const auto asked = Clock::now();
        const auto path = url->substr(url->find('/', url->find("://") + 3));
        auto answer = client.Get(path);
        if (!answer || answer->status != 200)
            return false;
        const auto fetched = Clock::now();
        const int before = delegate->finished;
        webView->loadHTMLString(answer->body, base::URL::parse(server->url("/")));
        if (!waitFor([&] { return delegate->finished > before || delegate->failed; }) ||
            delegate->failed != 0)
            return false;
        const auto rendered = Clock::now();
        const double afterRequest = millisecondsSinceAdRequest(rendered);
        toAdRequestMs.push_back(
            std::chrono::duration<double, std::milli>(rendered - begin).count() - afterRequest);
        afterAdRequestMs.push_back(afterRequest);
        coreMs.push_back(std::chrono::duration<double, std::milli>(asked - begin).count());
        fetchMs.push_back(std::chrono::duration<double, std::milli>(fetched - asked).count());
        renderMs.push_back(std::chrono::duration<double, std::milli>(rendered - fetched).count());
        return true;
    }
    httplib::Client client;
    std::shared_ptr<CorePage> core = std::make_shared<CorePage>();
    std::shared_ptr<ui::WebView> webView = ui::WebView::create(ui::Rect(0, 0, 320, 50));
    std::shared_ptr<Finished> delegate = std::make_shared<Finished>();
    int requestID = 0;
    std::vector<double> coreMs, fetchMs, renderMs, toAdRequestMs, afterAdRequestMs;
};

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void BM_Load(benchmark::State& state) {
    Banner ours;
    ByHand baseline;
    if (!baseline.core->load() || !ours.load() || !baseline.load()) {
        state.SkipWithError("the first load failed");
        return;
    }
    AlternatedPair pair;
    for (auto _ : state)
        if (!pair.run(
                state, [&] { return ours.load(); }, [&] { return baseline.load(); })) {
            state.SkipWithError("a load failed");
            return;
        }
    pair.report(state);
    // Where each side's time goes, medians in ms: up to the ad request's arrival at the server
    // (the core page's road) and after it (the fetch, the ad's page, the delivery).
    state.counters["ours_to_request_ms"] = median(ours.toAdRequestMs);
    state.counters["ours_after_request_ms"] = median(ours.afterAdRequestMs);
    state.counters["base_to_request_ms"] = median(baseline.toAdRequestMs);
    state.counters["base_after_request_ms"] = median(baseline.afterAdRequestMs);
    state.counters["base_core_script_ms"] = median(baseline.coreMs);
    state.counters["base_fetch_ms"] = median(baseline.fetchMs);
    state.counters["base_render_ms"] = median(baseline.renderMs);
}

// The processes below this one (the engine's), found through the kernel's children lists.
void addChildren(int pid, std::vector<int>& tree) {
    std::error_code error;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::ifstream children(task.path() / "children");
        for (int child; children >> child;) {
            tree.push_back(child);
            addChildren(child, tree);
        }
    }
}

// Anonymous resident memory of this process and its descendants, in MB, and how many of
// them are web processes.
std::pair<double, int> memoryOfThisProgram() {
    std::vector<int> tree{getpid()};
    addChildren(getpid(), tree);
    double kilobytes = 0;
    int webProcesses = 0;
    for (int pid : tree) {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("Name:", 0) == 0 && line.find("WebKitWebProces") != std::string::npos)
                ++webProcesses;
            if (line.rfind("RssAnon:", 0) == 0)
                kilobytes += std::stod(line.substr(8));
        }
    }
    return {kilobytes / 1024.0, webProcesses};
}

// A tab: one page in a bare web view.
struct Tab {
    Tab() { webView->setDelegate(delegate); }
    bool load() {
        webView->loadRequest(net::URLRequest(base::URL::parse(server->url("/landing"))));
        return waitFor([&] { return delegate->finished > 0 || delegate->failed; }) &&
               delegate->failed == 0;
    }
    std::shared_ptr<ui::WebView> webView = ui::WebView::create(ui::Rect(0, 0, 320, 480));
    std::shared_ptr<Finished> delegate = std::make_shared<Finished>();
};

void BM_Memory(benchmark::State& state) {
    constexpr int refreshes = 10;
    for (auto _ : state) {
        Tab tab;
        if (!tab.load()) {
            state.SkipWithError("the page did not load");
            return;
        }
        const auto [withoutMB, withoutProcesses] = memoryOfThisProgram();
        Banner banner;
        if (!banner.load()) {
            state.SkipWithError("the banner did not load");
            return;
        }
        const auto [withMB, withProcesses] = memoryOfThisProgram();
        // A host refreshing its banner: each new ad replaces the last, so memory stays where
        // the first ad left it.
        for (int refresh = 0; refresh < refreshes; ++refresh)
            if (!banner.load()) {
                state.SkipWithError("a refresh of the banner failed");
                return;
            }
        const auto [refreshedMB, refreshedProcesses] = memoryOfThisProgram();
        // The engine's own share of that: as many loads of an ad's page into one bare web view
        // in the same web process.
        auto bare = ui::WebView::create(ui::Rect(0, 0, 320, 50), tab.webView.get());
        auto bareDelegate = std::make_shared<Finished>();
        bare->setDelegate(bareDelegate);
        std::optional<double> bareBeforeMB;
        for (int load = 0; load <= refreshes; ++load) {
            bare->loadHTMLString("<html><body><a href='/landing'>Test ad " + std::to_string(load) +
                                     "</a></body></html>",
                                 base::URL::parse(server->url("/")));
            if (!waitFor([&] { return bareDelegate->finished > load || bareDelegate->failed; }) ||
                bareDelegate->failed) {
                state.SkipWithError("a bare load failed");
                return;
            }
            if (!bareBeforeMB)
                bareBeforeMB = memoryOfThisProgram().first;
        }
        const double bareGrowthMB = memoryOfThisProgram().first - *bareBeforeMB;
        state.counters["tab_mb"] = withoutMB;
        state.counters["tab_banner_mb"] = withMB;
        state.counters["banner_mb"] = withMB - withoutMB;
        state.counters["web_processes_added"] = withProcesses - withoutProcesses;
        state.counters["refreshed_banner_mb"] = refreshedMB - withoutMB;
        state.counters["growth_per_refresh_mb"] = (refreshedMB - withMB) / refreshes;
        state.counters["bare_growth_per_load_mb"] = bareGrowthMB / refreshes;
        state.counters["ratio"] = withMB / withoutMB;
    }
}

// Memory first, while no web process of an earlier benchmark lingers.
BENCHMARK(BM_Memory)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (auto installed = gtk::GtkPlatform::install(); !installed) {
        std::fprintf(stderr, "banner_bench: %s\n",
                     installed.error().localizedDescription().c_str());
        return 1;
    }
    ui::WebEngineFactory::install(gtk::WebKitEngine::maker());
    testing_support::TestAdServer ads;
    ads.start();
    server = &ads;
    ads.setRequestObserver([](const testing_support::TestAdServer::Request& request) {
        if (request.path.rfind("/ad/", 0) == 0)
            adRequestArrived = Clock::now().time_since_epoch().count();
    });
    base::UserDefaults::standard()->setObject(VDSDKCoreWebView::SDKCoreURLKey,
                                              base::Value(ads.corePageURL()));
    VDDevice::sharedInstance()->setUserAgentString("banner_bench/1.0");
    RatioReporter(
        "the banner / the same core-page call, fetch and page load by hand, wall time; memory with "
        "the banner / without",
        {{"BM_Load/iterations:20/manual_time", "", "Load"},
         {"BM_Memory/iterations:1", "", "Memory"}})
        .runBenchmarks();
    server = nullptr;
    ads.stop();
    benchmark::Shutdown();
    return 0;
}
