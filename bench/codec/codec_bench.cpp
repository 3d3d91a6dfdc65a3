// Speed of the stored-file codec against the literal version that the tests
// use as their oracle, on the inputs that bench/make_codec_inputs.sh makes
// (real binaries, text, random bytes). Compression is measured in memory,
// single thread; decoding file to file (read the stored file, decode, write
// the content), as the import and the command line use it. Before anything is
// timed, the fast and the literal codec must agree on every input, stored
// bytes and window state alike: a fast result that differs is no result.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "codec/buffer_decoder.h"
#include "codec/compressor.h"
#include "codec/decompressor.h"
#include "codec/lzss_window.h"
#include "fileio/file_reader.h"
#include "fileio/folders.h"
#include "fileio/replace_file.h"
#include "tests/support/literal_codec.h"

namespace kelvarin {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The inputs that bench/make_codec_inputs.sh writes, by file stem.
constexpr const char* kInputNames[] = {"binaries", "text", "random"};
// Seed of the window contents that the start-up check decodes over: any
// bytes will do, as long as both decoders start from the same ones.
constexpr std::uint32_t kWindowSeed = 0x4B56u;

struct Input {
    std::string name;
    std::string contentPath;
    std::string storedPath;  // written at start-up, read by the decode benchmarks
    std::string outputPath;  // written by the decode benchmarks
    Bytes content;
    Bytes stored;
};

std::vector<Input>& Inputs() {
    static std::vector<Input> inputs;
    return inputs;
}

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "codec_bench: %s\n", message.c_str());
    std::exit(EXIT_FAILURE);
}

void WriteWholeFile(const std::string& path, const Bytes& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        Fail("cannot create " + path);
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !ok) {
        Fail("cannot write " + path);
    }
}

Bytes ReadOrFail(const std::string& path) {
    Bytes bytes;
    if (!ReadWholeFile(path, bytes, SIZE_MAX).Ok()) {
        Fail("cannot read " + path + " (run bench/make_codec_inputs.sh)");
    }
    return bytes;
}

// Same pseudo-random bytes into both windows, mirror included.
void FillWindows(LzssWindow& fast, test::LiteralWindow& literal, std::uint32_t seed) {
    std::uint32_t state = seed;
    for (int p = 0; p < kWindowSize; ++p) {
        state = state * 1664525u + 1013904223u;
        literal.window[p] = static_cast<std::uint8_t>(state >> 24);
        StoreWindowByte(fast, p, literal.window[p]);
    }
}

// Compresses and decodes the input with both codecs and aborts unless they
// give the same bytes and leave the same windows. Writes the stored file.
void CheckAgreement(Input& input) {
    auto fast = std::make_unique<LzssWindow>();
    auto literal = std::make_unique<test::LiteralWindow>();
    input.stored = test::LiteralCompress(input.content, *literal);
    Bytes stored;
    CompressBuffer(input.content, *fast, stored);
    if (stored != input.stored) {
        Fail(input.name + ": fast and literal stored bytes differ");
    }
    if (!test::WindowsAgree(*fast, *literal)) {
        Fail(input.name + ": fast and literal compressors leave different windows");
    }

    FillWindows(*fast, *literal, kWindowSeed);
    const test::LiteralDecoded expected = test::LiteralDecompress(input.stored, *literal);
    Bytes content;
    const DecodeStatus status = DecompressBuffer(StoredStream(input.stored), *fast, content);
    if (!expected.endMarker || status != DecodeStatus::kEndMarker ||
        expected.content != input.content || content != input.content) {
        Fail(input.name + ": decoding does not give the content back");
    }
    if (!test::WindowsAgree(*fast, *literal)) {
        Fail(input.name + ": fast and literal decoders leave different windows");
    }
    WriteWholeFile(input.storedPath, input.stored);
}

void BM_CompressLiteral(benchmark::State& state, const Input* input) {
    auto work = std::make_unique<test::LiteralWindow>();
    for (auto _ : state) {
        Bytes stored = test::LiteralCompress(input->content, *work);
        benchmark::DoNotOptimize(stored.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(input->content.size()));
}

void BM_Compress(benchmark::State& state, const Input* input) {
    auto work = std::make_unique<LzssWindow>();
    Bytes stored;
    for (auto _ : state) {
        stored.clear();
        CompressBuffer(input->content, *work, stored);
        benchmark::DoNotOptimize(stored.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(input->content.size()));
}

void BM_DecompressLiteral(benchmark::State& state, const Input* input) {
    auto work = std::make_unique<test::LiteralWindow>();
    for (auto _ : state) {
        const Bytes stored = ReadOrFail(input->storedPath);
        const test::LiteralDecoded decoded = test::LiteralDecompress(stored, *work);
        WriteWholeFile(input->outputPath, decoded.content);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(input->content.size()));
}

void BM_Decompress(benchmark::State& state, const Input* input) {
    auto work = std::make_unique<LzssWindow>();
    Bytes content;
    for (auto _ : state) {
        if (DecompressFile(input->storedPath, *work, content) != 1) {
            state.SkipWithError("stored file does not decode");
            break;
        }
        WriteWholeFile(input->outputPath, content);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(input->content.size()));
}

// Takes --data_dir=DIR out of the arguments that the library left.
std::string DataDirectory(int argc, char** argv) {
    constexpr std::string_view kFlag = "--data_dir=";
    std::string directory = KELVARIN_BENCH_DATA_DIR;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.substr(0, kFlag.size()) == kFlag) {
            directory = std::string(argument.substr(kFlag.size()));
        } else {
            Fail("unknown argument " + std::string(argument));
        }
    }
    return directory;
}

void RegisterAll() {
    for (const Input& input : Inputs()) {
        const Input* in = &input;
        benchmark::RegisterBenchmark(("BM_CompressLiteral/" + input.name).c_str(),
                                     BM_CompressLiteral, in)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_Compress/" + input.name).c_str(), BM_Compress, in)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_DecompressLiteral/" + input.name).c_str(),
                                     BM_DecompressLiteral, in)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_Decompress/" + input.name).c_str(), BM_Decompress, in)
            ->Unit(benchmark::kMillisecond);
    }
}

}  // namespace
}  // namespace kelvarin

int main(int argc, char** argv) {
    using namespace kelvarin;
    benchmark::Initialize(&argc, argv);
    const std::string directory = DataDirectory(argc, argv);
    for (const char* name : kInputNames) {
        Input input;
        input.name = name;
        input.contentPath = directory + "/" + name + ".bin";
        input.storedPath = directory + "/" + name + std::string(kStoredFileSuffix);
        input.outputPath = directory + "/" + name + ".out";
        input.content = ReadOrFail(input.contentPath);
        Inputs().push_back(std::move(input));
    }
    for (Input& input : Inputs()) {
        CheckAgreement(input);
        std::fprintf(stderr, "%s: %zu bytes, stored %zu, fast and literal agree\n",
                     input.name.c_str(), input.content.size(), input.stored.size());
    }
    RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const Input& input : Inputs()) {
        std::remove(input.outputPath.c_str());
    }
    return 0;
}
