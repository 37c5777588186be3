// Reading a response head of about 280 KB (what libcurl lets through) made of 70,000 obsolete
// folded lines, beside a head of as many short unfolded fields, and the ratio of the two (folded
// / unfolded; about 1.0 when a continuation line costs no more than a field line, as it must for
// the time to stay linear in the head's size).

#include "bench/RatioReporter.h"
#include "platform/net/ResponseHeaderParser.h"

#include <benchmark/benchmark.h>
#include <string>
#include <vector>

namespace {

constexpr int kFields = 40;
constexpr int kContinuations = 1750;

std::vector<std::string> head(bool folded) {
    std::vector<std::string> lines = {"HTTP/1.1 200 OK\r\n"};
    for (int field = 0; field < kFields; ++field) {
        lines.push_back("X-Field-" + std::to_string(field) + ": start\r\n");
        for (int i = 0; i < kContinuations; ++i)
            lines.push_back(folded ? " x\r\n" : "X:x\r\n");
    }
    lines.push_back("\r\n");
    return lines;
}

void read(benchmark::State& state, const std::vector<std::string>& lines) {
    std::size_t bytes = 0;
    for (const auto& line : lines)
        bytes += line.size();
    for (auto _ : state) {
        net::ResponseHeaderParser parser;
        for (const auto& line : lines)
            parser.addLine(line);
        benchmark::DoNotOptimize(parser.fields());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * bytes));
}

void BM_ReadHead_Folded(benchmark::State& state) {
    static const auto lines = head(true);
    read(state, lines);
}

void BM_ReadHead_Unfolded(benchmark::State& state) {
    static const auto lines = head(false);
    read(state, lines);
}

BENCHMARK(BM_ReadHead_Folded);
BENCHMARK(BM_ReadHead_Unfolded);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter("folded / unfolded, 280 KB head",
                  {{"BM_ReadHead_Folded", "BM_ReadHead_Unfolded"}})
        .runBenchmarks();
    benchmark::Shutdown();
    return 0;
}
