// The import core: each decision of a worker, the deal over four workers and
// their order, the refusals made before any worker starts, a worker that
// cannot be started, the log lines, and the comparison with unpacked content.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <system_error>

#include "codec/compressor.h"
#include "codec/decompressor.h"
#include "import/compare_file.h"
#include "import/import_messages.h"
#include "import/import_worker.h"
#include "import/log_line.h"
#include "import/start_import.h"
#include "tests/support/recorders.h"
#include "tests/support/sample_data.h"
#include "tests/support/temp_dir.h"

namespace kelvarin::test {
namespace {

namespace fs = std::filesystem;
using Messages = std::vector<RecordedMessage>;

constexpr std::uint32_t kSeed = 20240611;

// A stored file's content, and its content made into a stored file.
Bytes Coded(const Bytes& content, bool decode) {
    auto work = std::make_unique<LzssWindow>();
    Bytes out;
    decode ? void(DecompressBuffer(std::span(content).subspan(4), *work, out))
           : CompressBuffer(content, *work, out);
    return out;
}

enum class Stored { kNone, kSame, kOneByteOff, kLonger, kDamaged, kFolder };
enum class Source { kRegular, kDirectory, kOutside };
using enum Stored;
using enum Source;

struct WorkerCase {
    const char* name;
    Source source;
    Stored stored;
    bool dryRun;
    unsigned message;  // 0: PROGRESS only
    bool written;      // else what was at the stored file's place is left as it was
};

class ImportWorkerDecides : public testing::TestWithParam<WorkerCase> {};

TEST_P(ImportWorkerDecides, PostsOneVerdictAndWritesOnlyWhenDue) {
    const WorkerCase& c = GetParam();
    SCOPED_TRACE(testing::Message() << "seed " << kSeed);
    RecordingMessageBox boxes;
    TempDir source, root;
    // The last of three chunks compared differs, or its size.
    const Bytes content = RandomBytes(3 * kCompareChunkSize - 100, kSeed);
    const std::string path = c.source == kOutside ? root / "Elsewhere.bin" : source / "Dir/A.Bin";
    const std::string stored = root / "dir/a.bin.aup";
    c.source == kDirectory ? void(fs::create_directories(path)) : WriteFile(path, content);
    Bytes old = content;
    old[old.size() - 50] ^= c.stored == kOneByteOff ? 0x40 : 0;
    old.resize(old.size() + (c.stored == kLonger));
    if (c.stored == kFolder) {
        fs::create_directories(stored);
    } else if (c.stored != kNone) {
        const Bytes coded = Coded(old, false);
        WriteFile(stored, Bytes(coded.begin(), coded.end() - (c.stored == kDamaged ? 2 : 0)));
    }
    const Bytes before = fs::is_regular_file(stored) ? ReadFile(stored) : Bytes{};

    RecordingMessageWindow window;
    ImportWorker(new ImportJob{&window, root.Path().string(), source.Path().string(),
                               std::make_shared<std::vector<std::string>>(1, path), 2, c.dryRun});

    Messages expected = {{WM_IMPORT_PROGRESS, 0, 2}, {c.message, 0, 2}, {WM_IMPORT_FINISHED, 0, 2}};
    if (c.message == 0) {
        expected.erase(expected.begin() + 1);
    }
    EXPECT_EQ(window.Messages(), expected);
    if (c.written) {
        EXPECT_EQ(Coded(ReadFile(stored), true), content);
    } else {
        EXPECT_EQ(fs::is_regular_file(stored) ? ReadFile(stored) : Bytes{}, before);
        EXPECT_EQ(fs::is_directory(stored), c.stored == kFolder);
    }
}

constexpr WorkerCase kWorkerCases[] = {
    {"New", kRegular, kNone, false, WM_IMPORT_ADDED, true},
    {"Unchanged", kRegular, kSame, false, 0, false},
    {"OneByteOff", kRegular, kOneByteOff, false, WM_IMPORT_UPDATED, true},
    {"Longer", kRegular, kLonger, false, WM_IMPORT_UPDATED, true},
    {"Damaged", kRegular, kDamaged, false, WM_IMPORT_UPDATED, true},
    {"StoredIsFolder", kRegular, kFolder, false, WM_IMPORT_FAILED, false},
    {"SourceIsFolder", kDirectory, kSame, false, WM_IMPORT_FAILED, false},
    {"OutsideSource", kOutside, kNone, false, WM_IMPORT_FAILED, false},
    {"DryNew", kRegular, kNone, true, WM_IMPORT_ADDED, false},
    {"DryChanged", kRegular, kOneByteOff, true, WM_IMPORT_UPDATED, false},
};
INSTANTIATE_TEST_SUITE_P(Cases, ImportWorkerDecides, testing::ValuesIn(kWorkerCases),
                         [](const auto& row) { return std::string(row.param.name); });

// A source of `count` files "F00", "F01", ... (in scan order) and a root.
struct Trees {
    explicit Trees(int count) {
        for (int i = 0; i < count; ++i) {
            const std::string name = {'F', char('0' + i / 10), char('0' + i % 10)};
            WriteFile(base / ("src/" + name), RandomBytes(100 + i, kSeed + i));
        }
        fs::create_directories(base.Path() / "root");
    }
    TempDir base;
    std::string src = base / "src";
    std::string root = base / "root";
};

// Worker `throwFor` cannot be started; the others run for real.
ImportOptions Options(bool dryRun, int throwFor, int* launched) {
    return {dryRun, [throwFor, launched](std::unique_ptr<ImportJob> job) {
                *launched += 1;
                if (job->workerIndex == throwFor) {
                    throw std::system_error(EAGAIN, std::generic_category());
                }
                return LaunchWorkerThread(std::move(job));
            }};
}

TEST(StartImport, DealsRoundRobinAndEachWorkerPostsItsShareInOrder) {
    for (const int throwFor : {-1, 1}) {
        const bool dryRun = throwFor >= 0;
        Trees trees(10);
        RecordingMessageWindow window;
        int launched = 0;
        ImportRun run =
            StartImport(trees.src, trees.root, window, Options(dryRun, throwFor, &launched));
        ASSERT_TRUE(run.Started()) << run.message;
        run.workers.Join();
        ASSERT_EQ(run.allFiles.size(), 10u);
        Messages perWorker[kImportWorkerCount];
        for (const RecordedMessage& m : window.Messages()) {
            perWorker[m.lParam].push_back(m);
        }
        for (std::size_t k = 0; k < kImportWorkerCount; ++k) {
            Messages expected;
            const auto& list = (*run.workerFiles)[k];
            EXPECT_EQ(list.size(), k < 2 ? 3u : 2u);
            for (std::size_t i = 0; i < list.size(); ++i) {
                EXPECT_EQ(list[i], run.allFiles[4 * i + k]);
                if (int(k) != throwFor) {
                    expected.push_back({WM_IMPORT_PROGRESS, i, std::intptr_t(k)});
                    expected.push_back({WM_IMPORT_ADDED, i, std::intptr_t(k)});
                }
            }
            expected.push_back({WM_IMPORT_FINISHED, 0, std::intptr_t(k)});
            EXPECT_EQ(perWorker[k], expected) << "worker " << k;
        }
        EXPECT_EQ(ListFolder(trees.root).size(), dryRun ? 0u : 10u);
        const auto& notStarted = run.workersNotStarted;
        EXPECT_TRUE(dryRun ? notStarted.size() == 1 && notStarted[0].workerIndex == 1 &&
                                 notStarted[0].message.starts_with("Import worker 1 could not")
                           : notStarted.empty());
    }
}

TEST(StartImport, RefusalsComeBeforeAnyWorker) {
    Trees trees(2);
    fs::create_directories(trees.src + "/Inner");
    fs::create_directory_symlink(trees.src + "/Inner", trees.base / "link");
    const struct {
        std::string source, root;
        ImportRefusal refusal;
    } cases[] = {
        {trees.src, "", ImportRefusal::kNoRootFolder},
        {trees.src, trees.base / "missing", ImportRefusal::kRootMissing},
        {trees.base / "missing", trees.root, ImportRefusal::kSourceMissing},
        {trees.src, trees.src, ImportRefusal::kRootInsideSource},
        {trees.src, trees.src + "/Inner", ImportRefusal::kRootInsideSource},
        {trees.src, trees.base / "link", ImportRefusal::kRootInsideSource},
    };
    for (const auto& c : cases) {
        RecordingMessageWindow window;
        int launched = 0;
        const ImportRun run = StartImport(c.source, c.root, window, Options(false, -1, &launched));
        EXPECT_EQ(run.refusal, c.refusal) << c.source << " into " << c.root;
        EXPECT_TRUE(!run.message.empty() && launched == 0 && window.Messages().empty());
    }
}

TEST(ImportLogLine, PrefixDisplayNameAndWorkerSuffix) {
    const struct {
        unsigned message;
        std::string path, root;
        std::intptr_t worker;
        std::string line;
    } cases[] = {
        {WM_IMPORT_ADDED, "/s/Data/A.TXT", "/s", 3, "添加:Data/A.TXT(3)\r\n"},
        {WM_IMPORT_UPDATED, "/s/b", "/s", 0, "更新:b(0)\r\n"},
        {WM_IMPORT_FAILED, "/s/c", "/s", 1, "failed:c(1)\r\n"},
        {WM_IMPORT_ADDED, "/x", "/", 2, "添加:x(2)\r\n"},
        {WM_IMPORT_ADDED, "/s/d", "/s", std::intptr_t(0x100000002), "添加:d(2)\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ImportLogLine(c.message, c.path, c.root, c.worker), c.line);
    }
    const RefusedFile refused{"/s/Data/a?", RefusalReason::kNameNotHeld};
    EXPECT_EQ(RefusedFileLine(refused, "/s"),
              "refused:Data/a? (" + std::string(RefusalText(refused.reason)) + ")\r\n");
    const WorkerFileLists lists = {{{"a", "e"}, {"b"}, {}, {}}};
    EXPECT_EQ(LookUpWorkerFile(lists, 1, 0) + LookUpWorkerFile(lists, 0, 1), "eb");
    EXPECT_EQ(LookUpWorkerFile(lists, 2, 0) + LookUpWorkerFile(lists, 0, 4), "");
}

}  // namespace
}  // namespace kelvarin::test
