// MD5 throughput on a 64 MB buffer: this library's digest against OpenSSL's,
// fed whole and in the 10240-byte pieces that whole-file digests use; with
// a listener attached to the trace; and the same block loop with the trace
// compiled out, which shows what the trace costs while nobody listens.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "digest/md5.h"
#include "digest/md5_blocks.h"
#include "platform/debug_output.h"
#include "tests/support/sample_data.h"

namespace kelvarin {
namespace {

constexpr std::size_t kInputSize = std::size_t{64} << 20;
// The read size of whole-file digests.
constexpr std::size_t kFileChunk = 10240;

const std::vector<std::uint8_t>& Input() {
    static const std::vector<std::uint8_t> input = test::RandomBytes(kInputSize, 1);
    return input;
}

void Md5InPieces(const std::vector<std::uint8_t>& input, std::size_t piece,
                 std::uint8_t digest[16]) {
    Md5Context context;
    MD5Init(&context);
    for (std::size_t offset = 0; offset < input.size(); offset += piece) {
        const std::size_t length = std::min(piece, input.size() - offset);
        MD5Update(&context, input.data() + offset, static_cast<std::uint32_t>(length));
    }
    MD5Final(digest, &context);
}

void BM_Md5(benchmark::State& state) {
    const auto& input = Input();
    const auto piece = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        std::uint8_t digest[16];
        Md5InPieces(input, piece, digest);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}
BENCHMARK(BM_Md5)->Arg(kInputSize)->Arg(kFileChunk)->Unit(benchmark::kMillisecond);

// The block loop alone, never asking about a listener: the trace compiled out.
void BM_Md5NoTrace(benchmark::State& state) {
    const auto& input = Input();
    for (auto _ : state) {
        std::uint32_t words[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
        Md5Blocks(words, input.data(), input.size() / 64);
        benchmark::DoNotOptimize(words);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}
BENCHMARK(BM_Md5NoTrace)->Unit(benchmark::kMillisecond);

class CountingListener final : public DebugOutputListener {
public:
    void OnDebugLine(std::string_view line) override { m_bytes += line.size(); }
    std::size_t Bytes() const { return m_bytes; }

private:
    std::size_t m_bytes = 0;
};

// Every block formats its trace line and hands it to a listener.
void BM_Md5Listening(benchmark::State& state) {
    const auto& input = Input();
    CountingListener listener;
    SetDebugOutputListener(&listener);
    for (auto _ : state) {
        std::uint8_t digest[16];
        Md5InPieces(input, input.size(), digest);
        benchmark::DoNotOptimize(digest);
    }
    SetDebugOutputListener(nullptr);
    benchmark::DoNotOptimize(listener.Bytes());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}
BENCHMARK(BM_Md5Listening)->Unit(benchmark::kMillisecond);

void BM_OpenSslMd5(benchmark::State& state) {
    const auto& input = Input();
    const auto piece = static_cast<std::size_t>(state.range(0));
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    for (auto _ : state) {
        unsigned char digest[16];
        unsigned int length = 0;
        EVP_DigestInit_ex(context, EVP_md5(), nullptr);
        for (std::size_t offset = 0; offset < input.size(); offset += piece) {
            EVP_DigestUpdate(context, input.data() + offset,
                             std::min(piece, input.size() - offset));
        }
        EVP_DigestFinal_ex(context, digest, &length);
        benchmark::DoNotOptimize(digest);
    }
    EVP_MD_CTX_free(context);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}
BENCHMARK(BM_OpenSslMd5)->Arg(kInputSize)->Arg(kFileChunk)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvarin

BENCHMARK_MAIN();
