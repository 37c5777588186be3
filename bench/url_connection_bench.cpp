// A 1 MB download and a 1-byte request from a loopback server through net::URLConnection (the
// transfer, the delegate calls on the main run loop) and through a bare libcurl easy handle, in
// turns within one benchmark. Both reuse their connection to the server between downloads.
//
// The server runs in a child process, so the process's CPU time is the client's alone (every
// thread of it), not the server's. The ratio is URLConnection's median
// wall time over the bare handle's; the table also shows each side's median CPU time.

#include "bench/AlternatedPair.h"
#include "bench/ChildHTTPServer.h"
#include "bench/RatioReporter.h"
#include "platform/base/RunLoop.h"
#include "platform/net/URLConnection.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <curl/curl.h>
#include <httplib.h>
#include <memory>
#include <string>

namespace {

using namespace std::chrono_literals;

constexpr std::size_t megabyte = 1024 * 1024;

std::string& serverURL() {
    static std::string url;
    return url;
}

// The address of a body of `size` bytes on the server.
std::string bodyURL(std::size_t size) {
    return serverURL() + (size == megabyte ? "1mb" : "1b");
}

class CountingDelegate final : public net::URLConnectionDelegate {
public:
    std::size_t received = 0;
    bool done = false;
    bool failed = false;

    void connectionDidReceiveData(const std::shared_ptr<net::URLConnection>&,
                                  const base::Data& data) override {
        received += data.size();
    }
    void connectionDidFinishLoading(const std::shared_ptr<net::URLConnection>&) override {
        done = true;
    }
    void connectionDidFailWithError(const std::shared_ptr<net::URLConnection>&,
                                    const base::Error&) override {
        done = failed = true;
    }
};

// One download through URLConnection; false when it did not arrive whole.
bool downloadWithConnection(const std::string& url, std::size_t size) {
    auto delegate = std::make_shared<CountingDelegate>();
    auto connection = net::URLConnection::create(net::URLRequest::withURLString(url), delegate);
    base::RunLoop::main().runUntil([&] { return delegate->done; }, 30s);
    return !delegate->failed && delegate->received == size;
}

std::size_t countBytes(char*, std::size_t size, std::size_t count, void* total) {
    *static_cast<std::size_t*>(total) += size * count;
    return size * count;
}

class RawCurl {
public:
    RawCurl(const std::string& url, std::size_t size)
        : handle_(curl_easy_init())
        , size_(size) {
        curl_easy_setopt(handle_, CURLOPT_URL, url.c_str());
        curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, &countBytes);
        curl_easy_setopt(handle_, CURLOPT_WRITEDATA, &received_);
        curl_easy_setopt(handle_, CURLOPT_NOSIGNAL, 1L);
    }
    ~RawCurl() { curl_easy_cleanup(handle_); }
    RawCurl(const RawCurl&) = delete;
    RawCurl& operator=(const RawCurl&) = delete;

    bool download() {
        received_ = 0;
        return curl_easy_perform(handle_) == CURLE_OK && received_ == size_;
    }

private:
    CURL* handle_;
    std::size_t size_;
    std::size_t received_ = 0;
};

void BM_Download(benchmark::State& state) {
    const auto size = std::size_t(state.range(0));
    const std::string url = bodyURL(size);
    RawCurl curl(url, size);
    // Both connections are open before the first timed turn.
    if (!downloadWithConnection(url, size) || !curl.download()) {
        state.SkipWithError("download failed");
        return;
    }
    AlternatedPair pair;
    for (auto _ : state) {
        if (!pair.run(
                state, [&] { return downloadWithConnection(url, size); },
                [&] { return curl.download(); })) {
            state.SkipWithError("download failed");
            break;
        }
    }
    pair.report(state);
    state.SetBytesProcessed(std::int64_t(state.iterations() * size));
}
BENCHMARK(BM_Download)
    ->Arg(megabyte)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->MinTime(2.0);

} // namespace

int main(int argc, char** argv) {
    const std::string body(megabyte, 'x');
    ChildHTTPServer server([&body](httplib::Server& http) {
        // Not a compressible type: both clients receive the same bytes.
        http.Get("/1mb", [&body](const httplib::Request&, httplib::Response& response) {
            response.set_content(body, "application/octet-stream");
        });
        http.Get("/1b", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("x", "application/octet-stream");
        });
    });
    if (!server.started()) {
        std::fprintf(stderr, "url_connection_bench: the server process did not start\n");
        return 1;
    }
    serverURL() = server.url("/");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter("URLConnection / bare libcurl handle, wall time",
                  {{"BM_Download/1048576/min_time:2.000/manual_time", "", "1 MB download"},
                   {"BM_Download/1/min_time:2.000/manual_time", "", "1-byte request"}})
        .runBenchmarks();
    benchmark::Shutdown();
    return 0;
}
