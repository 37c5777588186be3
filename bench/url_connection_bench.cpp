// A 1 MB download from a loopback server through net::URLConnection (transfer thread, events
// handed to the main run loop, delegate calls) and through a bare libcurl easy handle, in turns
// within one benchmark. Both reuse their connection to the server between downloads.
//
// The server runs in a child process, so the process's CPU time is the client's alone: the
// transfer thread's work counts, the server's does not. The ratio is URLConnection's median
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

constexpr std::size_t downloadSize = 1024 * 1024;

std::string& serverURL() {
    static std::string url;
    return url;
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
bool downloadWithConnection(const std::string& url) {
    auto delegate = std::make_shared<CountingDelegate>();
    auto connection = net::URLConnection::create(net::URLRequest::withURLString(url), delegate);
    base::RunLoop::main().runUntil([&] { return delegate->done; }, 30s);
    return !delegate->failed && delegate->received == downloadSize;
}

std::size_t countBytes(char*, std::size_t size, std::size_t count, void* total) {
    *static_cast<std::size_t*>(total) += size * count;
    return size * count;
}

class RawCurl {
public:
    explicit RawCurl(const std::string& url)
        : handle_(curl_easy_init()) {
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
        return curl_easy_perform(handle_) == CURLE_OK && received_ == downloadSize;
    }

private:
    CURL* handle_;
    std::size_t received_ = 0;
};

void BM_Download1MB(benchmark::State& state) {
    const std::string& url = serverURL();
    RawCurl curl(url);
    // Both connections are open before the first timed turn.
    if (!downloadWithConnection(url) || !curl.download()) {
        state.SkipWithError("download failed");
        return;
    }
    AlternatedPair pair;
    for (auto _ : state) {
        if (!pair.run(
                state, [&] { return downloadWithConnection(url); },
                [&] { return curl.download(); })) {
            state.SkipWithError("download failed");
            break;
        }
    }
    pair.report(state);
    state.SetBytesProcessed(std::int64_t(state.iterations() * downloadSize));
}
BENCHMARK(BM_Download1MB)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv) {
    const std::string body(downloadSize, 'x');
    ChildHTTPServer server([&body](httplib::Server& http) {
        http.Get("/1mb", [&body](const httplib::Request&, httplib::Response& response) {
            // Not a compressible type: both clients receive the same bytes.
            response.set_content(body, "application/octet-stream");
        });
    });
    if (!server.started()) {
        std::fprintf(stderr, "url_connection_bench: the server process did not start\n");
        return 1;
    }
    serverURL() = server.url("/1mb");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter("URLConnection / bare libcurl handle, wall time",
                  {{"BM_Download1MB/min_time:2.000/manual_time", "", "1 MB download"}})
        .runBenchmarks();
    benchmark::Shutdown();
    return 0;
}
