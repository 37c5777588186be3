// What an idle browser costs: the CPU seconds used by all of the program's processes (its own
// and the engine's web and network processes) over 10 s in which nothing happens, with 1, 4
// and 8 tabs on a static loopback page, beside the same page in a bare WebKitWebView in a bare
// GTK window of the same size; the ratio of each to the bare engine (1.0: no cost of our own).
// The counters split the median between the program's own process, the web processes and the
// network process, and give the anonymous memory of all the processes at the end.
//
// Each case runs in a child process of its own (this program started again with --child), so
// that nothing of one case stays in the next; every case runs --rounds=N times (5 by default),
// round after round, the cases in an order that turns with the round, and the medians are
// reported. The bare window gets the renderers the program chooses for the machine
// (GtkPlatform::chooseRenderers), so the ratio is our own cost only.
//
// Idle starts 3 s after the last page has finished. WebKit fades a scrollable page's overlay
// scroll bars out a few seconds after it has loaded, drawing at the display's rate for about
// three seconds; that falls in the idle time of both sides, and is most of what the bare engine
// uses there: what the program adds to each of those frames shows in the ratio. A page that
// is not shown runs the fade's timer too (at the display's rate, without drawing). And the
// web process of a page that ran scripts collects its JavaScript heap a few seconds after the
// load: the program runs its own scripts in every page, the bare engine none on this page, so
// each tab's process adds that collection (some milliseconds) to the idle time.
// Needs a display: run it under xvfb-run -a.

#include "ads/webview/VDSDKCoreWebView.h"
#include "bench/ChildProcess.h"
#include "bench/RatioReporter.h"
#include "browser/AppDelegate.h"
#include "browser/BrowserSettings.h"
#include "browser/BrowserViewController.h"
#include "browser/Tab.h"
#include "platform/base/AppHome.h"
#include "platform/base/Bundle.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Timer.h"
#include "platform/base/UserDefaults.h"
#include "platform/gtk/GtkPlatform.h"
#include "platform/gtk/MainWindow.h"
#include "platform/net/TestHTTPServer.h"
#include "platform/ui/Application.h"
#include "platform/ui/Device.h"
#include "platform/ui/TextField.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>
#include <webkit/webkit.h>

namespace {

using namespace std::chrono_literals;

constexpr auto idleTime = 10s;
// After the pages have finished: time for the engine to settle (first paints, caches).
constexpr auto settleTime = 3s;

std::string staticPage() {
    std::string html = "<html><head><title>Idle</title></head><body><h1>A static page</h1>";
    for (int i = 0; i < 40; ++i)
        html += "<p>Nothing moves on this page: no scripts, no animations, no timers.</p>";
    return html + "<a href='/idle?again'>a link</a></body></html>";
}

// --- The child: the program, or the bare engine, showing the page until it is killed.

// Tells the parent that the page (every tab's) has finished.
void sayReady() {
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
}

int runBrowser(int tabs, const std::string& url, const std::string& searchHost) {
    ui::Device::install(std::make_shared<ui::Device>(ui::UserInterfaceIdiom::Phone));
    base::Value::Dictionary info;
    info[BrowserSettings::searchEngineHostKey] = base::Value(searchHost);
    base::Bundle::install(
        std::make_shared<base::Bundle>(base::Bundle::defaultResourcesDirectory(), info));
    // The ads client's page on the same unreachable host: the banner asks and gets no answer.
    base::UserDefaults::standard()->setObject(VDSDKCoreWebView::SDKCoreURLKey,
                                              base::Value("http://" + searchHost + "/core"));
    if (auto installed = gtk::GtkPlatform::install(); !installed) {
        std::fprintf(stderr, "%s\n", installed.error().localizedDescription().c_str());
        return 1;
    }
    auto& application = ui::Application::shared();
    auto delegate = std::make_shared<AppDelegate>();
    application.setDelegate(delegate);
    if (!application.launch())
        return 1;
    gtk::MainWindow window(delegate->window());
    window.present();
    auto screen = delegate->viewController();
    // As a person does it: "+" for every tab after the first, then the address typed.
    for (int i = 0; i < tabs; ++i) {
        if (i > 0)
            screen->addTab(ui::InterfaceObject());
        screen->addressBar()->setText(url);
        screen->gotoAddress(ui::InterfaceObject());
    }
    const auto allFinished = [&] {
        for (const auto& tab : screen->tabs())
            if (!tab->currentURL() || tab->loading())
                return false;
        return static_cast<int>(screen->tabs().size()) == tabs;
    };
    if (!base::RunLoop::main().runUntil(allFinished, 60s)) {
        std::fputs("the tabs did not finish their pages\n", stderr);
        return 1;
    }
    sayReady();
    base::RunLoop::main().run();
    return 0;
}

int runBareEngine(const std::string& url) {
    gtk::GtkPlatform::chooseRenderers();
    gtk_init();
    const ui::Size size = ui::Device(ui::UserInterfaceIdiom::Phone).screenBounds().size;
    GtkWidget* window = gtk_window_new();
    gtk_window_set_default_size(GTK_WINDOW(window), int(size.width), int(size.height));
    GtkWidget* view = webkit_web_view_new();
    gtk_window_set_child(GTK_WINDOW(window), view);
    g_signal_connect(view, "load-changed",
                     G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer) {
                         if (event == WEBKIT_LOAD_FINISHED)
                             sayReady();
                     }),
                     nullptr);
    webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), url.c_str());
    gtk_window_present(GTK_WINDOW(window));
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    g_main_loop_run(loop);
    return 0;
}

// --- The parent: starts a child, waits for its page, measures it at rest.

// Which of the program's processes spent the time.
enum class Role { Program, Web, Network, Other };

struct ProcessSample {
    int parent = 0;
    Role role = Role::Other;
    // Its threads' and its waited-for children's time, as the kernel counts it for the process
    // (in clock ticks: the live and the ended threads alike, to a hundredth of a second).
    double ticksSeconds = 0;
    // Each live thread's time to the nanosecond.
    std::map<int, double> threadSeconds;
};

std::string readFile(const std::filesystem::path& path) {
    std::ifstream file(path);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// The fields of a stat file from the state on (the name, in parentheses, may hold spaces).
std::vector<std::string> statFields(const std::string& text) {
    const auto close = text.rfind(')');
    if (close == std::string::npos || close + 2 > text.size())
        return {};
    std::istringstream fields(text.substr(close + 2));
    return {std::istream_iterator<std::string>(fields), std::istream_iterator<std::string>()};
}

// Every process of the machine that /proc shows, with its parent.
std::map<int, int> parents() {
    std::map<int, int> all;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const auto field = statFields(readFile(entry.path() / "stat"));
        if (field.size() > 1)
            all[std::stoi(name)] = std::stoi(field[1]);
    }
    return all;
}

std::vector<int> treeOf(int root) {
    const auto all = parents();
    std::vector<int> tree{root};
    for (std::size_t i = 0; i < tree.size(); ++i)
        for (const auto& [pid, parent] : all)
            if (parent == tree[i])
                tree.push_back(pid);
    return tree;
}

std::map<int, ProcessSample> sampleTree(int root) {
    static const double ticks = double(sysconf(_SC_CLK_TCK));
    std::map<int, ProcessSample> samples;
    for (int pid : treeOf(root)) {
        const std::filesystem::path dir = "/proc/" + std::to_string(pid);
        const auto field = statFields(readFile(dir / "stat"));
        if (field.size() < 15)
            continue;
        ProcessSample sample;
        sample.parent = std::stoi(field[1]);
        // Fields from 3 on: state, ppid, ..., utime (14), stime (15), cutime, cstime.
        sample.ticksSeconds = (std::stod(field[11]) + std::stod(field[12]) + std::stod(field[13]) +
                               std::stod(field[14])) /
                              ticks;
        std::string name = readFile(dir / "comm");
        if (pid == root)
            sample.role = Role::Program;
        else if (name.rfind("WebKitWebProces", 0) == 0)
            sample.role = Role::Web;
        else if (name.rfind("WebKitNetworkPr", 0) == 0)
            sample.role = Role::Network;
        std::error_code error;
        for (const auto& task : std::filesystem::directory_iterator(dir / "task", error)) {
            std::istringstream schedstat(readFile(task.path() / "schedstat"));
            double nanoseconds = 0;
            if (schedstat >> nanoseconds)
                sample.threadSeconds[std::stoi(task.path().filename().string())] =
                    nanoseconds / 1e9;
        }
        samples[pid] = std::move(sample);
    }
    return samples;
}

// The CPU seconds a process used between two samples: from its threads' exact times while
// they all lived through it; from the kernel's coarser count of the process when a thread that
// worked in between has ended (the exact sum then falls short of it by more than its rounding).
double usedBetween(const ProcessSample* before, const ProcessSample& after) {
    const double coarse = after.ticksSeconds - (before ? before->ticksSeconds : 0.0);
    double exact = 0;
    for (const auto& [tid, seconds] : after.threadSeconds) {
        double earlier = 0;
        if (before)
            if (auto found = before->threadSeconds.find(tid); found != before->threadSeconds.end())
                earlier = found->second;
        exact += seconds - earlier;
    }
    if (before)
        for (const auto& [tid, seconds] : before->threadSeconds)
            if (!after.threadSeconds.count(tid))
                return coarse; // a thread ended: its time is only in the coarse count
    return coarse > exact + 0.02 ? coarse : exact;
}

// Anonymous resident memory of the tree, in MB.
double treeAnonymousMB(int root) {
    double kilobytes = 0;
    for (int pid : treeOf(root)) {
        std::istringstream status(readFile("/proc/" + std::to_string(pid) + "/status"));
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("RssAnon:", 0) == 0)
                kilobytes += std::stod(line.substr(8));
    }
    return kilobytes / 1024.0;
}

class PageServer {
public:
    PageServer() {
        http_.server().Get("/idle", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(staticPage(), "text/html; charset=utf-8");
        });
        http_.start();
    }
    std::string url() const { return http_.url("/idle"); }

private:
    net::TestHTTPServer http_;
};

PageServer& server() {
    static PageServer instance;
    return instance;
}

// A temporary folder, removed with the object.
class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "idle-cost-bench-XXXXXX").string();
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

// What one idle run of a case used.
struct Sample {
    double cpu = 0; // all its processes, seconds
    double program = 0;
    double web = 0;
    double network = 0;
    double anonymousMB = 0;
};

// Whether the child said that its pages have finished.
bool waitForReady(ChildProcess& child) {
    const auto deadline = std::chrono::steady_clock::now() + 90s;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        const auto line = child.readLine(left);
        if (!line)
            return false;
        if (line->find("ready") != std::string::npos)
            return true;
    }
}

// One idle run of a child (arguments after its app home); nullopt when it did not show its
// page.
std::optional<Sample> runIdle(const std::vector<std::string>& arguments) {
    TemporaryFolder home;
    std::vector<std::string> all{"idle_cost_bench", "--child", home.path().string()};
    all.insert(all.end(), arguments.begin(), arguments.end());
    ChildProcess child("/proc/self/exe", all);
    if (child.pid() <= 0 || !waitForReady(child))
        return std::nullopt;
    std::this_thread::sleep_for(settleTime);
    const auto before = sampleTree(child.pid());
    std::this_thread::sleep_for(idleTime);
    const auto after = sampleTree(child.pid());
    Sample sample;
    for (const auto& [pid, process] : after) {
        const auto found = before.find(pid);
        const double used = usedBetween(found == before.end() ? nullptr : &found->second, process);
        sample.cpu += used;
        if (process.role == Role::Program)
            sample.program += used;
        else if (process.role == Role::Web)
            sample.web += used;
        else if (process.role == Role::Network)
            sample.network += used;
    }
    sample.anonymousMB = treeAnonymousMB(child.pid());
    return sample;
}

// The cases: the bare engine (0 tabs) and the program with 1, 4 and 8 tabs.
constexpr int cases[] = {0, 1, 4, 8};
int rounds = 5;

std::vector<std::string> argumentsOf(int tabs) {
    if (tabs == 0)
        return {"bare", server().url()};
    const std::string searchHost = "127.0.0.1:" + std::to_string(net::closedLoopbackPort());
    return {"browser", std::to_string(tabs), server().url(), searchHost};
}

// Every case's runs, made the first time any case is asked for: round after round, each round
// running every case once in an order that turns with the round, so that a machine whose load
// drifts weighs on all cases alike.
const std::map<int, std::vector<Sample>>& allRuns() {
    static const std::map<int, std::vector<Sample>> runs = [] {
        std::map<int, std::vector<Sample>> made;
        constexpr int count = int(std::size(cases));
        for (int round = 0; round < rounds; ++round)
            for (int i = 0; i < count; ++i) {
                const int tabs = cases[(round + i) % count];
                if (auto sample = runIdle(argumentsOf(tabs)))
                    made[tabs].push_back(*sample);
            }
        return made;
    }();
    return runs;
}

double median(std::vector<Sample> samples, double Sample::*field) {
    std::sort(samples.begin(), samples.end(),
              [field](const Sample& a, const Sample& b) { return a.*field < b.*field; });
    const std::size_t n = samples.size();
    return n % 2 ? samples[n / 2].*field : (samples[n / 2 - 1].*field + samples[n / 2].*field) / 2;
}

// A case's medians: its time is the median CPU seconds of all its processes over the idle time.
void reportCase(benchmark::State& state, int tabs) {
    const auto& runs = allRuns();
    const auto found = runs.find(tabs);
    for (auto _ : state) {
        if (found == runs.end() || found->second.empty()) {
            state.SkipWithError("the child did not show its page");
            return;
        }
        state.SetIterationTime(median(found->second, &Sample::cpu));
    }
    const auto& samples = found->second;
    const auto [least, most] =
        std::minmax_element(samples.begin(), samples.end(),
                            [](const Sample& a, const Sample& b) { return a.cpu < b.cpu; });
    state.counters["runs"] = double(samples.size());
    state.counters["min_ms"] = 1000 * least->cpu;
    state.counters["max_ms"] = 1000 * most->cpu;
    state.counters["program_ms"] = 1000 * median(samples, &Sample::program);
    state.counters["web_ms"] = 1000 * median(samples, &Sample::web);
    state.counters["net_ms"] = 1000 * median(samples, &Sample::network);
    state.counters["anon_MB"] = median(samples, &Sample::anonymousMB);
}

void BM_Idle_BareEngine(benchmark::State& state) {
    reportCase(state, 0);
}

void BM_Idle_Browser(benchmark::State& state) {
    reportCase(state, int(state.range(0)));
}

BENCHMARK(BM_Idle_BareEngine)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Idle_Browser)
    ->Arg(1)
    ->Arg(4)
    ->Arg(8)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // --child HOME browser TABS URL SEARCH-HOST, or --child HOME bare URL
    if (argc >= 4 && std::strcmp(argv[1], "--child") == 0) {
        // An app home of the run's own, so that no saved tabs or cookies of another run come in.
        base::AppHome::install(std::filesystem::path(argv[2]));
        const std::string kind = argv[3];
        if (kind == "browser" && argc == 7)
            return runBrowser(std::atoi(argv[4]), argv[5], argv[6]);
        if (kind == "bare" && argc == 5)
            return runBareEngine(argv[4]);
        return 2;
    }
    // --rounds=N: runs of every case (5 by default); the medians are reported.
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--rounds=", 9) == 0) {
            rounds = std::max(1, std::atoi(argv[i] + 9));
            std::copy(argv + i + 1, argv + argc + 1, argv + i);
            --argc;
            break;
        }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter("median idle CPU seconds over 10 s, program / bare engine",
                           {{"BM_Idle_Browser/1/iterations:1/manual_time",
                             "BM_Idle_BareEngine/iterations:1/manual_time", "1 tab"},
                            {"BM_Idle_Browser/4/iterations:1/manual_time",
                             "BM_Idle_BareEngine/iterations:1/manual_time", "4 tabs"},
                            {"BM_Idle_Browser/8/iterations:1/manual_time",
                             "BM_Idle_BareEngine/iterations:1/manual_time", "8 tabs"}});
    reporter.runBenchmarks();
    return 0;
}
