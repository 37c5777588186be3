// A 1 MB download from a loopback server: through net::URLConnection (transfer thread, events
// handed to the main run loop, delegate calls) and through a bare libcurl easy handle, in the
// same run. Both reuse their connection to the server between downloads. After the table comes
// the ratio of the two separate runs; the interleaved benchmark carries its own as a counter.

#include "bench/RatioReporter.h"
#include "platform/base/RunLoop.h"
#include "platform/net/TestHTTPServer.h"
#include "platform/net/URLConnection.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <curl/curl.h>
#include <httplib.h>
#include <memory>
#include <string>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::size_t downloadSize = 1024 * 1024;

// A 1 MB body; the connection is kept for several downloads, as both clients keep theirs.
class OneMegabyteServer {
public:
    OneMegabyteServer()
        : body_(downloadSize, 'x') {
        http_.server().set_keep_alive_max_count(CPPHTTPLIB_KEEPALIVE_MAX_COUNT);
        http_.server().Get("/1mb", [this](const httplib::Request&, httplib::Response& response) {
            // Not a compressible type: both clients receive the same bytes.
            response.set_content(body_, "application/octet-stream");
        });
        http_.start();
    }
    std::string url() const { return http_.url("/1mb"); }

private:
    std::string body_;
    net::TestHTTPServer http_; // last: stops before the body goes
};

OneMegabyteServer& server() {
    static OneMegabyteServer instance;
    return instance;
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

void BM_URLConnection1MB(benchmark::State& state) {
    auto url = server().url();
    for (auto _ : state) {
        if (!downloadWithConnection(url)) {
            state.SkipWithError("download failed");
            break;
        }
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * downloadSize));
}
BENCHMARK(BM_URLConnection1MB)->Unit(benchmark::kMillisecond);

void BM_RawCurlEasy1MB(benchmark::State& state) {
    RawCurl curl(server().url());
    for (auto _ : state) {
        if (!curl.download()) {
            state.SkipWithError("download failed");
            break;
        }
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * downloadSize));
}
BENCHMARK(BM_RawCurlEasy1MB)->Unit(benchmark::kMillisecond);

// Both paths in turns within one benchmark; the reported time is URLConnection's and
// "ratio" is URLConnection's time over raw libcurl's.
void BM_URLConnectionOverRawCurl(benchmark::State& state) {
    auto url = server().url();
    RawCurl curl(url);
    double ours = 0;
    double raw = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        bool ok = downloadWithConnection(url);
        auto middle = Clock::now();
        ok = curl.download() && ok;
        auto end = Clock::now();
        if (!ok) {
            state.SkipWithError("download failed");
            break;
        }
        double oursSeconds = std::chrono::duration<double>(middle - start).count();
        ours += oursSeconds;
        raw += std::chrono::duration<double>(end - middle).count();
        state.SetIterationTime(oursSeconds);
    }
    if (state.iterations() > 0 && raw > 0) {
        state.counters["url_connection_ms"] = 1000 * ours / double(state.iterations());
        state.counters["raw_curl_ms"] = 1000 * raw / double(state.iterations());
        state.counters["ratio"] = ours / raw;
    }
}
BENCHMARK(BM_URLConnectionOverRawCurl)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter("URLConnection / raw libcurl, 1 MB",
                  {{"BM_URLConnection1MB", "BM_RawCurlEasy1MB", "1 MB download"}})
        .runBenchmarks();
    benchmark::Shutdown();
    return 0;
}
