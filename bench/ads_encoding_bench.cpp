// The ads client's radix encoder and MD5 helpers on 1 MB, each beside a plain loop over
// OpenSSL doing the same work, and the ratio of the two (ours / OpenSSL; 1.0 means no cost).

#include "ads/foundation/VDMD5.h"
#include "ads/foundation/VD_TKStringEncoding.h"
#include "bench/RatioReporter.h"

#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kSize = 1 << 20;

const base::Data& payload() {
    static const base::Data data = [] {
        std::vector<std::uint8_t> bytes(kSize);
        std::uint32_t state = 12345;
        for (auto& byte : bytes) {
            state = state * 1103515245u + 12345u;
            byte = std::uint8_t(state >> 16);
        }
        return base::Data(std::move(bytes));
    }();
    return data;
}

// ASCII text, so that the UTF-8 check of the MD5 helpers passes.
const std::string& text() {
    static const std::string value = [] {
        std::string out(kSize, 'a');
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = char('a' + (i * 7) % 26);
        return out;
    }();
    return value;
}

void setBytes(benchmark::State& state) {
    state.SetBytesProcessed(std::int64_t(state.iterations() * kSize));
}

void BM_Base64Encode_Radix(benchmark::State& state) {
    auto encoding = VD_TKStringEncoding::rfc4648Base64StringEncoding();
    for (auto _ : state)
        benchmark::DoNotOptimize(encoding.encode(payload()));
    setBytes(state);
}

void BM_Base64Encode_OpenSSL(benchmark::State& state) {
    for (auto _ : state) {
        std::string out(4 * ((kSize + 2) / 3) + 1, '\0');
        int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                     payload().bytes(), int(kSize));
        out.resize(std::size_t(length));
        benchmark::DoNotOptimize(out);
    }
    setBytes(state);
}

void BM_Base64Decode_Radix(benchmark::State& state) {
    auto encoding = VD_TKStringEncoding::rfc4648Base64StringEncoding();
    const std::string encoded = encoding.encode(payload());
    for (auto _ : state)
        benchmark::DoNotOptimize(encoding.decode(encoded));
    setBytes(state);
}

void BM_Base64Decode_OpenSSL(benchmark::State& state) {
    const std::string encoded =
        VD_TKStringEncoding::rfc4648Base64StringEncoding().encode(payload());
    for (auto _ : state) {
        std::vector<unsigned char> out(encoded.size() / 4 * 3);
        int length =
            EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(encoded.data()),
                            int(encoded.size()));
        // EVP_DecodeBlock keeps the padding's zero bytes; the true length is known here.
        out.resize(length < 0 ? 0 : kSize);
        benchmark::DoNotOptimize(out);
    }
    setBytes(state);
}

void BM_MD5String_Helper(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(vd_MD5String(text()));
    setBytes(state);
}

void BM_MD5String_OpenSSL(benchmark::State& state) {
    static constexpr char digits[] = "0123456789abcdef";
    for (auto _ : state) {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        EVP_Digest(text().data(), text().size(), digest, &length, EVP_md5(), nullptr);
        std::string hex;
        hex.reserve(length * 2);
        for (unsigned int i = 0; i < length; ++i) {
            hex.push_back(digits[digest[i] >> 4]);
            hex.push_back(digits[digest[i] & 0xF]);
        }
        benchmark::DoNotOptimize(hex);
    }
    setBytes(state);
}

void BM_MD5Data_Helper(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(vd_MD5Data(text()));
    setBytes(state);
}

void BM_MD5Data_OpenSSL(benchmark::State& state) {
    for (auto _ : state) {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        EVP_Digest(text().data(), text().size(), digest, &length, EVP_md5(), nullptr);
        benchmark::DoNotOptimize(base::Data(digest, length));
    }
    setBytes(state);
}

BENCHMARK(BM_Base64Encode_Radix);
BENCHMARK(BM_Base64Encode_OpenSSL);
BENCHMARK(BM_Base64Decode_Radix);
BENCHMARK(BM_Base64Decode_OpenSSL);
BENCHMARK(BM_MD5String_Helper);
BENCHMARK(BM_MD5String_OpenSSL);
BENCHMARK(BM_MD5Data_Helper);
BENCHMARK(BM_MD5Data_OpenSSL);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter("ours / OpenSSL, 1 MB", {{"BM_Base64Encode_Radix", "BM_Base64Encode_OpenSSL"},
                                           {"BM_Base64Decode_Radix", "BM_Base64Decode_OpenSSL"},
                                           {"BM_MD5String_Helper", "BM_MD5String_OpenSSL"},
                                           {"BM_MD5Data_Helper", "BM_MD5Data_OpenSSL"}})
        .runBenchmarks();
    benchmark::Shutdown();
    return 0;
}
