// Memory of a gzip bomb: 1 GiB of zeros in two gzip layers (a few kilobytes on the wire) from a
// loopback server, received through net::URLConnection
// - by a delegate that keeps the body, as a tab keeps a page, with a page's body limit (ours);
// - by a delegate that keeps nothing and no limit (the bare transfer: the whole gibibyte is
//   decoded and dropped chunk by chunk).
// Each turn measures the process's peak resident memory above what it held before the turn
// (the kernel's high-water mark, reset through /proc/self/clear_refs). The counters give both
// peaks in MiB, and the ratio printed is the kept peak over the page limit: it stays a small
// constant (the body kept, and its buffer's growth) however large the bomb, where a body kept
// without a limit would grow with the bomb (a gibibyte and more).

#include "bench/ChildHTTPServer.h"
#include "bench/RatioReporter.h"
#include "platform/base/RunLoop.h"
#include "platform/net/URLConnection.h"
#include "platform/testing/GzipBomb.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <httplib.h>
#include <memory>
#include <string>

namespace {

using namespace std::chrono_literals;

constexpr std::size_t bombLength = std::size_t(1) << 30;
constexpr std::uint64_t pageLimit = 64 * 1024 * 1024;

std::string& serverURL() {
    static std::string url;
    return url;
}

class Delegate final : public net::URLConnectionDelegate {
public:
    explicit Delegate(bool keeps)
        : keeps_(keeps) {}
    bool done = false;
    std::optional<long> errorCode;
    std::size_t received = 0;

    void connectionDidReceiveData(const std::shared_ptr<net::URLConnection>&,
                                  const base::Data& data) override {
        received += data.size();
        if (keeps_)
            kept_.append(data);
    }
    void connectionDidFinishLoading(const std::shared_ptr<net::URLConnection>&) override {
        done = true;
    }
    void connectionDidFailWithError(const std::shared_ptr<net::URLConnection>&,
                                    const base::Error& error) override {
        errorCode = error.code;
        done = true;
    }

private:
    bool keeps_;
    base::Data kept_;
};

// Kibibytes of the named line of /proc/self/status ("VmHWM", "VmRSS").
long statusKiB(const std::string& name) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(name + ":", 0) == 0)
            return std::stol(line.substr(name.size() + 1));
    return 0;
}

// The peak resident memory a download adds, in MiB; negative when the download did not end
// as expected.
double peakMiBOfDownload(bool keeps) {
    { std::ofstream("/proc/self/clear_refs") << "5"; } // the high-water mark starts again
    const long before = statusKiB("VmRSS");
    double peak = -1;
    {
        auto request = net::URLRequest::withURLString(serverURL());
        if (keeps)
            request.setMaximumBodyLength(pageLimit);
        auto delegate = std::make_shared<Delegate>(keeps);
        auto connection = net::URLConnection::create(request, delegate);
        base::RunLoop::main().runUntil([&] { return delegate->done; }, 120s);
        const bool expected = keeps ? delegate->errorCode == base::URLErrorDataLengthExceedsMaximum
                                    : !delegate->errorCode && delegate->received == bombLength;
        if (expected)
            peak = double(statusKiB("VmHWM") - before) / 1024;
    }
    return peak;
}

void BM_GzipBombPeakMemory(benchmark::State& state) {
    double ours = 0;
    double bare = 0;
    for (auto _ : state) {
        bare = peakMiBOfDownload(false);
        ours = peakMiBOfDownload(true);
        if (ours < 0 || bare < 0) {
            state.SkipWithError("the bomb did not end as expected");
            return;
        }
    }
    state.counters["kept_peak_MiB"] = ours;
    state.counters["bare_peak_MiB"] = bare;
    state.counters["ratio"] = ours / double(pageLimit >> 20);
}
BENCHMARK(BM_GzipBombPeakMemory)->Iterations(2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    const testing_support::GzipBomb bomb(bombLength);
    ChildHTTPServer server([&bomb](httplib::Server& http) {
        http.Get("/bomb", [&bomb](const httplib::Request&, httplib::Response& response) {
            response.set_header("Content-Encoding", bomb.layersHeader());
            // Not a type the server compresses: it goes out as made.
            response.set_content(bomb.body(), "application/octet-stream");
        });
    });
    if (!server.started()) {
        std::fprintf(stderr, "hostile_body_bench: the server process did not start\n");
        return 1;
    }
    serverURL() = server.url("/bomb");
    std::printf("bomb: %zu bytes on the wire, %zu decoded\n", bomb.body().size(), bombLength);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter("peak memory kept with a page's limit / that limit",
                  {{"BM_GzipBombPeakMemory/iterations:2", "", "1 GiB gzip bomb"}})
        .runBenchmarks();
    benchmark::Shutdown();
    return 0;
}
