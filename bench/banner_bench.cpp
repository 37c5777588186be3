// The banner against doing its work by hand, on the real engine and the test ad server on the
// loopback:
//   Load: loadRequest to adViewDidReceiveAd of a banner (the core page asked for the ad URL,
//     the ad fetched, its HTML rendered in the banner's web view), against the same ad fetched
//     with a bare HTTP client and its HTML loaded into a bare web view until load-finished.
//     Both web processes and the core page are started before anything is timed.
//   Memory: the anonymous resident memory of this process and every process below it (the
//     web and network processes) with one page in a web view (a tab), then with a banner
//     showing its ad beside it: the ads web views share one web process, so the banner costs
//     one process more whatever the number of its pages, not one per web view.
// Needs a display: run it under xvfb-run -a.

#include "ads/foundation/VDDevice.h"
#include "ads/request/VDBannerView.h"
#include "ads/request/VDSDKCoreController.h"
#include "ads/webview/VDSDKCoreWebView.h"
#include "bench/AlternatedPair.h"
#include "bench/RatioReporter.h"
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

#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <httplib.h>
#include <memory>
#include <sstream>
#include <string>

namespace {

using namespace std::chrono_literals;

testing_support::TestAdServer* server = nullptr;

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
        banner->loadRequest(nullptr);
        return waitFor([&] { return host->received + host->failed > before; }) && host->failed == 0;
    }
    std::shared_ptr<ui::ViewController> controller = ui::ViewController::create();
    std::shared_ptr<Host> host = std::make_shared<Host>();
    std::shared_ptr<VDBannerView> banner;
};

// The same work by hand: the ad's HTTP fetch, then its HTML in a bare web view.
struct ByHand {
    ByHand()
        : client("127.0.0.1", server->port()) {
        webView->setDelegate(delegate);
    }
    bool load() {
        auto answer = client.Get("/ad/html?request_id=0");
        if (!answer || answer->status != 200)
            return false;
        const int before = delegate->finished;
        webView->loadHTMLString(answer->body, base::URL::parse(server->url("/")));
        return waitFor([&] { return delegate->finished > before || delegate->failed; }) &&
               delegate->failed == 0;
    }
    httplib::Client client;
    std::shared_ptr<ui::WebView> webView = ui::WebView::create(ui::Rect(0, 0, 320, 50));
    std::shared_ptr<Finished> delegate = std::make_shared<Finished>();
};

void BM_Load(benchmark::State& state) {
    Banner ours;
    ByHand baseline;
    if (!ours.load() || !baseline.load()) {
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

void BM_Memory(benchmark::State& state) {
    for (auto _ : state) {
        ByHand tab;
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
        state.counters["tab_mb"] = withoutMB;
        state.counters["tab_banner_mb"] = withMB;
        state.counters["banner_mb"] = withMB - withoutMB;
        state.counters["web_processes_added"] = withProcesses - withoutProcesses;
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
    base::UserDefaults::standard()->setObject(VDSDKCoreWebView::SDKCoreURLKey,
                                              base::Value(ads.corePageURL()));
    VDDevice::sharedInstance()->setUserAgentString("banner_bench/1.0");
    RatioReporter("the banner / the same fetch and page load by hand, wall time; memory with "
                  "the banner / without",
                  {{"BM_Load/iterations:20/manual_time", "", "Load"},
                   {"BM_Memory/iterations:1", "", "Memory"}})
        .runBenchmarks();
    server = nullptr;
    ads.stop();
    benchmark::Shutdown();
    return 0;
}
