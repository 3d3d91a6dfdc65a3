// The import core: each decision of a worker, the deal over four workers and
// their order, the refusals made before any worker starts, a worker that
// cannot be started, the log lines, and the comparison with unpacked content.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <random>
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

Bytes Decoded(const std::string& stored) {
    auto work = std::make_unique<LzssWindow>();
    Bytes content;
    return DecompressFile(stored, *work, content) == 1 ? content : Bytes{};
}

void Store(const std::string& stored, const Bytes& content) {
    TempDir scratch;
    WriteFile(scratch / "in", content);
    fs::create_directories(fs::path(stored).parent_path());
    auto work = std::make_unique<LzssWindow>();
    ASSERT_EQ(CompressFile(scratch / "in", stored, *work), 1);
}

enum class Stored { kNone, kSame, kOneByteOff, kLonger, kDamaged, kFolder };
enum class Source { kFile, kFolder, kOutside };

struct WorkerCase {
    const char* name;
    Source source;
    Stored stored;
    bool dryRun;
    unsigned message;  // 0: PROGRESS only
    bool written;      // else the stored file is left as it was
};

class ImportWorkerDecides : public testing::TestWithParam<WorkerCase> {};

TEST_P(ImportWorkerDecides, PostsOneVerdictAndWritesOnlyWhenDue) {
    const WorkerCase& c = GetParam();
    RecordingMessageBox boxes;
    TempDir source, root;
    const Bytes content = RandomBytes(3000, kSeed);
    std::string path = source / "Dir/File.Bin";
    const std::string stored = root / "dir/file.bin.aup";
    if (c.source == Source::kFolder) {
        fs::create_directories(path);
    } else {
        WriteFile(path, content);
    }
    if (c.source == Source::kOutside) {
        path = root / "Elsewhere.bin";
        WriteFile(path, content);
    }
    Bytes old = content;
    if (c.stored == Stored::kOneByteOff)
        old[1234] ^= 0x40;
    if (c.stored == Stored::kLonger)
        old.push_back(0);
    if (c.stored == Stored::kFolder)
        fs::create_directories(stored);
    if (c.stored != Stored::kNone && c.stored != Stored::kFolder)
        Store(stored, old);
    if (c.stored == Stored::kDamaged)
        fs::resize_file(stored, fs::file_size(stored) - 2);
    const Bytes before =
        c.stored == Stored::kFolder || c.stored == Stored::kNone ? Bytes{} : ReadFile(stored);

    RecordingMessageWindow window;
    auto job = std::make_unique<ImportJob>();
    job->hwndDialog = &window;
    job->rootPath = root.Path().string();
    job->sourceRoot = source.Path().string();
    job->files = std::make_shared<const std::vector<std::string>>(std::vector{path});
    job->workerIndex = 2;
    job->dryRun = c.dryRun;
    ImportWorker(job.release());

    Messages expected = {{WM_IMPORT_PROGRESS, 0, 2}};
    if (c.message != 0)
        expected.push_back({c.message, 0, 2});
    expected.push_back({WM_IMPORT_FINISHED, 0, 2});
    EXPECT_EQ(window.Messages(), expected);
    if (c.written) {
        EXPECT_EQ(Decoded(stored), content);
    } else if (c.stored == Stored::kFolder) {
        EXPECT_TRUE(fs::is_directory(stored));
    } else if (c.stored == Stored::kNone) {
        EXPECT_EQ(ListFolder(root.Path()).size(), c.source == Source::kOutside ? 1u : 0u);
    } else {
        EXPECT_EQ(ReadFile(stored), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImportWorkerDecides,
    testing::Values(
        WorkerCase{"New", Source::kFile, Stored::kNone, false, WM_IMPORT_ADDED, true},
        WorkerCase{"Unchanged", Source::kFile, Stored::kSame, false, 0, false},
        WorkerCase{"OneByteOff", Source::kFile, Stored::kOneByteOff, false, WM_IMPORT_UPDATED,
                   true},
        WorkerCase{"Longer", Source::kFile, Stored::kLonger, false, WM_IMPORT_UPDATED, true},
        WorkerCase{"Damaged", Source::kFile, Stored::kDamaged, false, WM_IMPORT_UPDATED, true},
        WorkerCase{"StoredIsFolder", Source::kFile, Stored::kFolder, false, WM_IMPORT_FAILED,
                   false},
        WorkerCase{"SourceIsFolder", Source::kFolder, Stored::kSame, false, WM_IMPORT_FAILED,
                   false},
        WorkerCase{"OutsideSource", Source::kOutside, Stored::kNone, false, WM_IMPORT_FAILED,
                   false},
        WorkerCase{"DryNew", Source::kFile, Stored::kNone, true, WM_IMPORT_ADDED, false},
        WorkerCase{"DryChanged", Source::kFile, Stored::kOneByteOff, true, WM_IMPORT_UPDATED,
                   false}),
    [](const auto& row) { return std::string(row.param.name); });

// A source of `count` files "F00", "F01", ... (scan order is name order)
// and an empty root beside it.
struct Trees {
    explicit Trees(int count) {
        for (int i = 0; i < count; ++i) {
            const std::string name = {'F', char('0' + i / 10), char('0' + i % 10)};
            WriteFile(base / ("src/" + name), RandomBytes(100 + i, kSeed + i));
        }
        fs::create_directories(base.Path() / "src");
        fs::create_directories(base.Path() / "root");
    }
    TempDir base;
    std::string src = base / "src";
    std::string root = base / "root";
};

TEST(StartImport, DealsRoundRobinAndEachWorkerPostsItsShareInOrder) {
    for (const bool dryRun : {false, true}) {
        Trees trees(10);
        RecordingMessageWindow window;
        ImportOptions options;
        options.dryRun = dryRun;
        ImportRun run = StartImport(trees.src, trees.root, window, options);
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
            for (std::size_t i = 0; i < list.size(); ++i) {
                EXPECT_EQ(list[i], run.allFiles[4 * i + k]);
                expected.push_back({WM_IMPORT_PROGRESS, i, std::intptr_t(k)});
                expected.push_back({WM_IMPORT_ADDED, i, std::intptr_t(k)});
            }
            expected.push_back({WM_IMPORT_FINISHED, 0, std::intptr_t(k)});
            EXPECT_EQ(perWorker[k], expected) << "worker " << k;
            EXPECT_EQ(list.size(), k < 2 ? 3u : 2u);
        }
        EXPECT_EQ(ListFolder(trees.root).size(), dryRun ? 0u : 10u);
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
        ImportOptions options;
        int launched = 0;
        options.launch = [&launched](std::unique_ptr<ImportJob>) {
            ++launched;
            return std::jthread();
        };
        const ImportRun run = StartImport(c.source, c.root, window, options);
        EXPECT_EQ(run.refusal, c.refusal) << c.source << " into " << c.root;
        EXPECT_FALSE(run.message.empty());
        EXPECT_EQ(launched, 0);
        EXPECT_TRUE(window.Messages().empty());
    }
}

TEST(StartImport, WorkerThatCannotStartIsReportedAndCountedAsFinished) {
    Trees trees(8);
    RecordingMessageWindow window;
    ImportOptions options;
    options.launch = [](std::unique_ptr<ImportJob> job) {
        if (job->workerIndex == 1) {
            throw std::system_error(
                std::make_error_code(std::errc::resource_unavailable_try_again));
        }
        return LaunchWorkerThread(std::move(job));
    };
    ImportRun run = StartImport(trees.src, trees.root, window, options);
    run.workers.Join();
    ASSERT_EQ(run.workersNotStarted.size(), 1u);
    EXPECT_EQ(run.workersNotStarted[0].workerIndex, 1);
    EXPECT_TRUE(
        run.workersNotStarted[0].message.starts_with("Import worker 1 could not be started"));
    int finished = 0;
    for (const RecordedMessage& m : window.Messages()) {
        finished += m.message == WM_IMPORT_FINISHED;
        EXPECT_TRUE(m.lParam != 1 || m.message == WM_IMPORT_FINISHED);
    }
    EXPECT_EQ(finished, 4);
    EXPECT_EQ(ListFolder(trees.root).size(), 6u);
}

TEST(StartImport, NamesTheClientCannotHoldAreRefusedAndNotDealt) {
    Trees trees(1);
    WriteFile(trees.src + "/a.txt", "x");
    WriteFile(trees.src + "/A.TXT", "y");
    RecordingMessageWindow window;
    ImportRun run = StartImport(trees.src, trees.root, window);
    run.workers.Join();
    EXPECT_EQ(run.refusedFiles.size(), 2u);
    EXPECT_EQ(run.allFiles, std::vector<std::string>{trees.src + "/F00"});
    EXPECT_EQ(ListFolder(trees.root), std::vector<std::string>{"f00.aup"});
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
        {WM_IMPORT_ADDED, "/s/d", "/s", -1, "添加:d(-1)\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ImportLogLine(c.message, c.path, c.root, c.worker), c.line);
    }
    const RefusedFile refused{"/s/Data/a?", RefusalReason::kNameNotHeld};
    EXPECT_EQ(RefusedFileLine(refused, "/s"),
              "refused:Data/a? (" + std::string(RefusalText(refused.reason)) + ")\r\n");
}

TEST(LookUpWorkerFile, NamesAnEntryOrNothing) {
    const WorkerFileLists lists = {{{"a", "e"}, {"b"}, {}, {}}};
    EXPECT_EQ(LookUpWorkerFile(lists, 1, 0), "e");
    EXPECT_EQ(LookUpWorkerFile(lists, 0, 1), "b");
    EXPECT_EQ(LookUpWorkerFile(lists, 2, 0), "");
    EXPECT_EQ(LookUpWorkerFile(lists, 0, 4), "");
    EXPECT_EQ(LookUpWorkerFile(lists, 0, -1), "");
}

TEST(CompareFileWithBuffer, AgreesWithEqualityAroundChunkEdges) {
    std::mt19937 random(kSeed);
    SCOPED_TRACE(testing::Message() << "seed " << kSeed);
    TempDir folder;
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, kCompareChunkSize - 1,
                                   kCompareChunkSize, 3 * kCompareChunkSize + 7}) {
        const Bytes content = RandomBytes(size, random());
        WriteFile(folder / "f", content);
        EXPECT_EQ(CompareFileWithBuffer(content, folder / "f"), 1) << size;
        Bytes other = content;
        other.push_back(0);
        EXPECT_EQ(CompareFileWithBuffer(other, folder / "f"), 0) << size;
        if (size > 0) {
            other.pop_back();
            other[random() % size] ^= 1;
            EXPECT_EQ(CompareFileWithBuffer(other, folder / "f"), 0) << size;
        }
    }
}

}  // namespace
}  // namespace kelvarin::test
