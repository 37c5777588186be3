// The page road of the program against the bare engine, each in a process of its own. The
// browser runs as bin/browser runs it (this program started again with --child): launched,
// its window shown; the bare engine is page_road_bare, a WebKitWebView alone in a window of
// the same size. Pages of 10 KB, 100 KB, 1 MB and 5 MB come from a loopback server in a third
// process.
//   TypedAddress: an address typed into the address field (the tab fetches the page itself and
//     hands it to its web view) until the browser's final-load signal has given the tab the
//     page's title and the engine has ended the load, against the bare view loading the same
//     kind of URL until load-finished.
//   LinkClick: a link clicked in the page shown (the tab fetches its target itself) until the
//     same end, against the same click in the bare view until load-finished.
// The page signals its end at its load event, and the engine reports load-finished after the
// layout it runs then (most of a second for 5 MB): with --until_signal our side ends at the
// signal alone, and the bare view's at its page's load event (a script message).
// Each side times itself, from the command's arrival to its end, in its own process: what
// one side leaves to do after its end (the engine's last events, a script) cannot fall in the
// other's timed turn. Each turn times both, ours first on one turn and the bare view first on
// the next; both web processes are started before anything is timed, and both are done with
// the page shown before the other side is timed (a web process lays out and draws a page
// after reporting it loaded: a tenth of a second for 5 MB, which would otherwise slow the turn
// after it). The ratio is ours over the bare view's, median wall times; the CPU counters are
// each side's own process. Needs a display: run it under xvfb-run -a.

#include "bench/AlternatedPair.h"
#include "bench/ChildHTTPServer.h"
#include "bench/ChildProcess.h"
#include "bench/CommandChannel.h"
#include "bench/RatioReporter.h"
#include "browser/AppDelegate.h"
#include "browser/BrowserSettings.h"
#include "browser/BrowserViewController.h"
#include "browser/Tab.h"
#include "platform/base/AppHome.h"
#include "platform/base/Bundle.h"
#include "platform/base/RunLoop.h"
#include "platform/gtk/GtkPlatform.h"
#include "platform/gtk/MainWindow.h"
#include "platform/net/TestHTTPServer.h"
#include "platform/ui/Application.h"
#include "platform/ui/Device.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtk/gtk.h>
#include <httplib.h>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

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

// --- The child: the program, launched as bin/browser launches it, doing what it is told.

class Browser {
public:
    explicit Browser(bool untilSignal)
        : untilSignal_(untilSignal) {
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
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

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
    bool settle() {
        screen_->selectedTab()->webView()->stringByEvaluatingJavaScriptFromString("0");
        return true;
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
                       (untilSignal_ || !tab.webView()->isLoading());
            },
            60s);
    }

    bool untilSignal_;
    std::shared_ptr<AppDelegate> delegate_;
    std::unique_ptr<gtk::MainWindow> window_;
    std::shared_ptr<BrowserViewController> screen_;
};

// "ok WALL CPU" for a sample, "fail" without one.
std::string answerFor(const std::optional<AlternatedPair::Sample>& sample) {
    return sample ? "ok " + std::to_string(sample->wall) + " " + std::to_string(sample->cpu)
                  : "fail";
}

// The browser's side, told as page_road_bare is (see there), but "load URL N" and "click N"
// name the page they lead to. It says "ready WIDTH HEIGHT" (its window's size) once launched.
int runBrowser(const std::string& searchHost, bool untilSignal) {
    ui::Device::install(std::make_shared<ui::Device>(ui::UserInterfaceIdiom::Phone));
    if (auto installed = gtk::GtkPlatform::install(); !installed) {
        std::fprintf(stderr, "%s\n", installed.error().localizedDescription().c_str());
        return 1;
    }
    // The first tab's home page is the search engine's: a closed loopback port here, so that
    // nothing leaves the machine.
    base::Value::Dictionary info;
    info[BrowserSettings::searchEngineHostKey] = base::Value(searchHost);
    base::Bundle::install(
        std::make_shared<base::Bundle>(base::Bundle::defaultResourcesDirectory(), info));
    CommandChannel channel;
    Browser browser(untilSignal);
    if (!browser.launched())
        return 1;
    int width = 0;
    int height = 0;
    gtk_window_get_default_size(browser.gtkWindow(), &width, &height);
    channel.answer("ready " + std::to_string(width) + " " + std::to_string(height));
    for (;;) {
        base::RunLoop::main().runUntil([&] { return channel.ready(); }, 24h);
        const auto command = channel.take();
        if (!command)
            return 0;
        std::istringstream words(*command);
        std::string verb;
        std::string address;
        long n = 0;
        words >> verb;
        if (verb == "load")
            words >> address;
        words >> n;
        channel.answer(answerFor(AlternatedPair::measure([&] {
            if (verb == "load")
                return browser.typeAddressAndWait(address, n);
            if (verb == "click")
                return browser.clickLinkAndWait(n);
            if (verb == "settle")
                return browser.settle();
            return false;
        })));
    }
}

// --- The parent: the server, both sides, and the benchmarks.

ChildHTTPServer* server = nullptr;
long serial = 0;

std::string pageURL(long size, long n) {
    return server->url("/page?size=" + std::to_string(size) + "&n=" + std::to_string(n));
}

// One side, a child process told what to do.
class Side {
public:
    Side(const std::string& program, std::vector<std::string> arguments)
        : process_(program, std::move(arguments)) {}

    // The child's first line ("ready ..."), or nullopt when it did not start.
    std::optional<std::string> ready() {
        auto line = process_.readLine(90s);
        if (!line || line->rfind("ready", 0) != 0)
            return std::nullopt;
        return line;
    }
    // Tells the command and waits for its answer: the side's sample, or nullopt when it failed.
    std::optional<AlternatedPair::Sample> ask(const std::string& command) {
        if (!process_.say(command))
            return std::nullopt;
        const auto line = process_.readLine(120s);
        if (!line)
            return std::nullopt;
        std::istringstream words(*line);
        std::string verdict;
        AlternatedPair::Sample sample;
        if (!(words >> verdict >> sample.wall >> sample.cpu) || verdict != "ok")
            return std::nullopt;
        return sample;
    }

private:
    ChildProcess process_;
};

Side* browser = nullptr;
Side* bare = nullptr;

void settleBoth() {
    browser->ask("settle");
    bare->ask("settle");
}

void BM_TypedAddress(benchmark::State& state) {
    const long size = long(state.range(0));
    AlternatedPair pair;
    for (auto _ : state) {
        const long n = ++serial;
        const std::string url = pageURL(size, n);
        if (!pair.runMeasured(
                state, [&] { return browser->ask("load " + url + " " + std::to_string(n)); },
                [&] { return bare->ask("load " + url); }, settleBoth)) {
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
    if (!browser->ask("load " + pageURL(size, n) + " " + std::to_string(n)) ||
        !bare->ask("load " + pageURL(size, n))) {
        state.SkipWithError("the first page did not finish");
        return;
    }
    AlternatedPair pair;
    for (auto _ : state) {
        ++n;
        if (!pair.runMeasured(
                state, [&] { return browser->ask("click " + std::to_string(n)); },
                [&] { return bare->ask("click"); }, settleBoth)) {
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

// A temporary folder, removed with the object.
class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "page-road-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace

int main(int argc, char** argv) {
    // --child HOME SEARCH-HOST [--until_signal]: the browser's side.
    if (argc >= 4 && std::strcmp(argv[1], "--child") == 0) {
        // An app home of the run's own, so that no saved tabs or cookies of another run come in.
        base::AppHome::install(std::filesystem::path(argv[2]));
        return runBrowser(argv[3], argc > 4 && std::strcmp(argv[4], "--until_signal") == 0);
    }
    // Before anything starts a thread: the server is a copy of this process.
    ChildHTTPServer pages(routes);
    if (!pages.started()) {
        std::fprintf(stderr, "page_road_bench: the server process did not start\n");
        return 1;
    }
    server = &pages;
    bool untilSignal = false;
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

    // Both sides draw with the renderers the browser chooses for this machine.
    gtk::GtkPlatform::chooseRenderers();
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    TemporaryFolder home;
    std::vector<std::string> browserArguments{"page_road_bench", "--child", home.path().string(),
                                              "127.0.0.1:" +
                                                  std::to_string(net::closedLoopbackPort())};
    if (untilSignal)
        browserArguments.push_back("--until_signal");
    Side program(self.string(), browserArguments);
    const auto programReady = program.ready();
    int width = 0;
    int height = 0;
    if (!programReady || !(std::istringstream(programReady->substr(5)) >> width >> height)) {
        std::fprintf(stderr, "page_road_bench: the browser did not launch\n");
        return 1;
    }
    std::vector<std::string> bareArguments{"page_road_bare", std::to_string(width),
                                           std::to_string(height)};
    if (untilSignal)
        bareArguments.push_back("--until_signal");
    Side view((self.parent_path() / "page_road_bare").string(), bareArguments);
    if (!view.ready()) {
        std::fprintf(stderr, "page_road_bench: page_road_bare did not start\n");
        return 1;
    }
    browser = &program;
    bare = &view;
    int status = 0;
    // Both web processes start, and both connections open, before anything is timed.
    const long n = ++serial;
    if (!program.ask("load " + pageURL(sizes[0], n) + " " + std::to_string(n)) ||
        !view.ask("load " + pageURL(sizes[0], n))) {
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
        RatioReporter("the browser's road / the bare engine, wall time, each in its own process",
                      std::move(pairs))
            .runBenchmarks();
    }
    bare = nullptr;
    browser = nullptr;
    benchmark::Shutdown();
    return status;
}
