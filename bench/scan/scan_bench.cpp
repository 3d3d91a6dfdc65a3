// Speed of the tree scan against `find DIR -type f` on the same tree of
// 100,000 files, in one run, both with a warm cache. find is the yardstick
// for a plain walk of the tree; the scan does more (it sorts every folder
// into NTFS order and keeps every path), and must stay within twice find's
// time. Both are measured in wall-clock time, since find runs as a child
// process; at the end the ratio is printed.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "scan/collect_files.h"

extern char** environ;

namespace kelvarin {
namespace {

// The tree: kTopFolders folders of kSubFolders folders of kFilesPerFolder
// files, names in mixed case as a game client's tree has them.
constexpr int kTopFolders = 40;
constexpr int kSubFolders = 25;
constexpr int kFilesPerFolder = 100;
constexpr std::size_t kTreeFiles =
    static_cast<std::size_t>(kTopFolders) * kSubFolders * kFilesPerFolder;
// Written last, so that a tree whose making broke off is made again.
constexpr const char* kCompleteMarker = ".tree-complete";

std::string& TreeDir() {
    static std::string dir = std::string(KELVARIN_BENCH_DATA_DIR) + "/scan-tree";
    return dir;
}

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "scan_bench: %s\n", message.c_str());
    std::exit(EXIT_FAILURE);
}

void MakeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
        Fail("cannot create " + path + ": " + std::strerror(errno));
    }
}

void MakeEmptyFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        Fail("cannot create " + path + ": " + std::strerror(errno));
    }
    ::close(fd);
}

void MakeTreeOnce() {
    const std::string& root = TreeDir();
    struct stat info {};
    if (::stat((root + "/" + kCompleteMarker).c_str(), &info) == 0) {
        return;
    }
    std::fprintf(stderr, "scan_bench: making %zu files under %s\n", kTreeFiles, root.c_str());
    MakeFolder(KELVARIN_BENCH_DATA_DIR);
    MakeFolder(root);
    char name[64];
    for (int top = 0; top < kTopFolders; ++top) {
        std::snprintf(name, sizeof name, "/%s%02d", top % 2 == 0 ? "Data" : "maps", top);
        const std::string topPath = root + name;
        MakeFolder(topPath);
        for (int sub = 0; sub < kSubFolders; ++sub) {
            std::snprintf(name, sizeof name, "/%s_%02d", sub % 3 == 0 ? "Tex" : "model", sub);
            const std::string subPath = topPath + name;
            MakeFolder(subPath);
            for (int file = 0; file < kFilesPerFolder; ++file) {
                std::snprintf(name, sizeof name, "/%s%04d.%s", file % 2 == 0 ? "Item" : "item_",
                              file * 37 % 1000, file % 3 == 0 ? "DDS" : "mdl");
                MakeEmptyFile(subPath + name);
            }
        }
    }
    MakeEmptyFile(root + "/" + kCompleteMarker);
}

// Runs `find DIR -type f` with its output sent to `output` and waits for it.
void RunFind(const char* output) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output, O_WRONLY | O_TRUNC | O_CREAT,
                                     0644);
    std::string dir = TreeDir();
    char findName[] = "find";
    char typeOption[] = "-type";
    char typeFile[] = "f";
    char* argv[] = {findName, dir.data(), typeOption, typeFile, nullptr};
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, "find", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        Fail("find failed");
    }
}

// Before anything is timed: the scan and find must see the same files.
void CheckBothSeeTheTree() {
    std::vector<std::string> files;
    CollectFiles(TreeDir(), files);
    // The marker file is one more.
    if (files.size() != kTreeFiles + 1) {
        Fail("the scan found " + std::to_string(files.size()) + " files");
    }
    char listPath[] = "/tmp/scan-bench-find-XXXXXX";
    const int fd = ::mkstemp(listPath);
    if (fd < 0) {
        Fail("cannot create a temporary file");
    }
    ::close(fd);
    RunFind(listPath);
    std::FILE* list = std::fopen(listPath, "r");
    std::size_t lines = 0;
    for (int c = 0; list != nullptr && (c = std::fgetc(list)) != EOF;) {
        lines += c == '\n' ? 1 : 0;
    }
    if (list != nullptr) {
        std::fclose(list);
    }
    ::unlink(listPath);
    if (lines != files.size()) {
        Fail("find found " + std::to_string(lines) + " files, the scan " +
             std::to_string(files.size()));
    }
}

void BM_CollectFiles(benchmark::State& state) {
    std::vector<std::string> files;
    for (auto _ : state) {
        files.clear();
        files.shrink_to_fit();  // each scan starts from an empty list, as the callers' do
        CollectFiles(TreeDir(), files);
        benchmark::DoNotOptimize(files.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * files.size()));
}
BENCHMARK(BM_CollectFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FindTypeF(benchmark::State& state) {
    for (auto _ : state) {
        RunFind("/dev/null");
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * (kTreeFiles + 1)));
}
BENCHMARK(BM_FindTypeF)->Unit(benchmark::kMillisecond)->UseRealTime();

// The console report, followed by the scan's time as a multiple of find's:
// of the medians when the run was repeated, else of the single runs.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.error_occurred || (run.run_type != Run::RT_Iteration && !median)) {
                continue;
            }
            const std::string name = run.benchmark_name();
            if (name.starts_with("BM_CollectFiles")) {
                m_scanSeconds = run.GetAdjustedRealTime();
            } else if (name.starts_with("BM_FindTypeF")) {
                m_findSeconds = run.GetAdjustedRealTime();
            }
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        if (m_scanSeconds > 0 && m_findSeconds > 0) {
            std::printf("CollectFiles / find -type f: %.2fx (limit 2.00x)\n",
                        m_scanSeconds / m_findSeconds);
        }
    }

private:
    double m_scanSeconds = 0;
    double m_findSeconds = 0;
};

}  // namespace
}  // namespace kelvarin

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.starts_with("--tree_dir=")) {
            kelvarin::TreeDir() = std::string(argument.substr(11));
        }
    }
    benchmark::Initialize(&argc, argv);
    kelvarin::MakeTreeOnce();
    kelvarin::CheckBothSeeTheTree();
    kelvarin::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
