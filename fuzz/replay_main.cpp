// Runs a fuzz target over saved inputs without libFuzzer: ctest calls it on
// corpus/<name>, so every build with tests, sanitizers or not, checks each
// saved input and each crash input once added there. Arguments are files or folders; a folder's
// files are run in name order, so a failure is reproducible.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace kelvarin {
namespace {

std::vector<std::filesystem::path> CollectInputs(int argc, char** argv) {
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path argument = argv[i];
        std::error_code error;
        if (std::filesystem::is_directory(argument, error)) {
            std::vector<std::filesystem::path> files;
            for (const auto& entry : std::filesystem::directory_iterator(argument, error)) {
                if (entry.is_regular_file(error)) {
                    files.push_back(entry.path());
                }
            }
            std::sort(files.begin(), files.end());
            inputs.insert(inputs.end(), files.begin(), files.end());
        } else {
            inputs.push_back(argument);
        }
    }
    return inputs;
}

}  // namespace
}  // namespace kelvarin

int main(int argc, char** argv) {
    const std::vector<std::filesystem::path> inputs = kelvarin::CollectInputs(argc, argv);
    // An empty corpus would pass without testing anything.
    if (inputs.empty()) {
        std::fprintf(stderr, "usage: %s FILE_OR_FOLDER... (no input found)\n", argv[0]);
        return 2;
    }
    for (const auto& path : inputs) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", path.c_str());
            return 2;
        }
        const std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)),
                                             std::istreambuf_iterator<char>());
        std::fprintf(stderr, "replaying %s (%zu bytes)\n", path.c_str(), data.size());
        LLVMFuzzerTestOneInput(data.data(), data.size());
    }
    std::fprintf(stderr, "%zu inputs replayed\n", inputs.size());
    return 0;
}
