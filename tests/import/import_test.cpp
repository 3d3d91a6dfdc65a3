// The import core: each decision of a worker, the deal, the refusals made before
// any worker starts, a worker that cannot be started, and the log lines.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <system_error>
#include <tuple>

#include "codec/compressor.h"
#include "codec/decompressor.h"
#include "import/compare_file.h"
#include "import/import_messages.h"
#include "import/import_worker.h"
#include "import/log_line.h"
#include "import/run_summary.h"
#include "import/start_import.h"
#include "import/stored_file_batch.h"
#include "tests/support/io_faults.h"
#include "tests/support/literal_codec.h"
#include "tests/support/recorders.h"
#include "tests/support/sample_data.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_dir.h"

namespace kelvarin::test {
namespace {

namespace fs = std::filesystem;
using Messages = std::vector<RecordedMessage>;

// What launching a worker does when its thread cannot be started.
std::jthread CannotStart(std::unique_ptr<ImportJob>) {
    throw std::system_error(EAGAIN, std::generic_category());
}

// `content` made into a stored file, as a worker makes it.
Bytes Packed(const Bytes& content) {
    Bytes out;
    CompressBuffer(content, *std::make_unique<LzssWindow>(), out);
    return out;
}

enum class Stored {
    kNone,
    kSame,
    kFirstByteOff,
    kMiddleByteOff,
    kOneByteOff,  // near the end
    kLonger,
    kShorter,
    kDamaged,
    kWrongLength,
    kFolder
};
enum class Source { kRegular, kDirectory, kOutside, kVanished, kLongName };
using enum Stored;
using enum Source;

struct WorkerCase {
    const char* name;
    Source source;
    Stored stored;
    bool dryRun;
    unsigned message;         // 0: PROGRESS only
    bool written;             // else what was at the stored file's place is left as it was
    const char* reason = "";  // part of a failure's reason
    int ioError = 0;          // the stored file's write (or the source's read) fails with it
    FaultOn faultOn = FaultOn::kWrite;
    std::uint64_t maxStored = kMaxFieldLength;
};

class ImportWorkerDecides : public testing::TestWithParam<WorkerCase> {};

TEST_P(ImportWorkerDecides, PostsOneVerdictAndWritesOnlyWhenDue) {
    const WorkerCase& c = GetParam();
    RecordingMessageBox boxes;
    TempDir source, root;
    // Decoded in three chunks or more, compared in more: a difference in the
    // first, a middle or the last one, or in the size.
    const Bytes content = RandomBytes(300000, 20240611);
    const std::string path = c.source == kOutside    ? root / "Elsewhere.bin"
                             : c.source == kLongName ? source / std::string(253, 'n')
                                                     : source / "Dir/A.Bin";
    const std::string stored = root / "dir/a.bin.aup";
    if (c.source == kDirectory) {
        fs::create_directories(path);
    } else if (c.source != kVanished) {
        WriteFile(path, content);
    }
    const FailingIo fault(c.faultOn, c.faultOn == FaultOn::kWrite ? "a.bin.aup" : "A.Bin",
                          c.ioError != 0 ? 1000 : SIZE_MAX, c.ioError);
    Bytes old = content;
    old[c.stored == kFirstByteOff    ? 0
        : c.stored == kMiddleByteOff ? 150000
                                     : old.size() - 50] ^=
        c.stored == kOneByteOff || c.stored == kFirstByteOff || c.stored == kMiddleByteOff ? 0x40
                                                                                           : 0;
    old.resize(old.size() + (c.stored == kLonger) - (c.stored == kShorter));
    if (c.stored == kFolder) {
        fs::create_directories(stored);
    } else if (c.stored != kNone) {
        Bytes coded = Packed(old);
        coded.resize(coded.size() - (c.stored == kDamaged ? 2 : 0));
        coded[3] = c.stored == kWrongLength ? 0x7F : coded[3];  // a valid stream under it
        WriteFile(stored, coded);
    }
    const auto storedBytes = [&] {
        return fs::is_regular_file(stored) ? ReadFile(stored) : Bytes{};
    };
    const Bytes before = storedBytes();

    RecordingMessageWindow window;
    auto reasons = std::make_shared<std::vector<std::string>>(1);
    auto job = std::make_unique<ImportJob>(
        ImportJob{&window, root.Path().string(), source.Path().string(),
                  std::make_shared<std::vector<std::string>>(1, path), reasons, 2, c.dryRun});
    job->maxStoredSize = c.maxStored;
    ImportWorker(job.release());
    EXPECT_NE(reasons->front().find(c.reason), std::string::npos) << reasons->front();
    EXPECT_EQ(reasons->front().empty(), c.message != WM_IMPORT_FAILED);

    Messages expected = {{WM_IMPORT_PROGRESS, 0, 2}, {c.message, 0, 2}, {WM_IMPORT_FINISHED, 0, 2}};
    std::erase(expected, RecordedMessage{0, 0, 2});
    EXPECT_EQ(window.Messages(), expected);
    EXPECT_EQ(storedBytes(), c.written ? Packed(content) : before);
    EXPECT_EQ(fs::is_directory(stored), c.stored == kFolder);
}

constexpr WorkerCase kWorkerCases[] = {
    {"New", kRegular, kNone, false, WM_IMPORT_ADDED, true},
    {"Unchanged", kRegular, kSame, false, 0, false},
    {"FirstByteOff", kRegular, kFirstByteOff, false, WM_IMPORT_UPDATED, true},
    {"MiddleByteOff", kRegular, kMiddleByteOff, false, WM_IMPORT_UPDATED, true},
    {"OneByteOff", kRegular, kOneByteOff, false, WM_IMPORT_UPDATED, true},
    {"Longer", kRegular, kLonger, false, WM_IMPORT_UPDATED, true},
    {"Shorter", kRegular, kShorter, false, WM_IMPORT_UPDATED, true},
    {"Damaged", kRegular, kDamaged, false, WM_IMPORT_UPDATED, true},
    {"WrongLengthField", kRegular, kWrongLength, false, WM_IMPORT_UPDATED, true},
    {"StoredIsFolder", kRegular, kFolder, false, WM_IMPORT_FAILED, false, "a.bin.aup is not a"},
    {"SourceIsFolder", kDirectory, kSame, false, WM_IMPORT_FAILED, false, "not a regular file"},
    {"SourceVanished", kVanished, kSame, false, WM_IMPORT_FAILED, false, "No such file"},
    {"StoredNameTooLong", kLongName, kNone, false, WM_IMPORT_FAILED, false, "File name too long"},
    {"OutsideSource", kOutside, kNone, false, WM_IMPORT_FAILED, false, "path has error!"},
    {"DiskFullNew", kRegular, kNone, false, WM_IMPORT_FAILED, false, "No space left", ENOSPC},
    {"ReadOnlyFileSystem", kRegular, kOneByteOff, false, WM_IMPORT_FAILED, false, "Read-only",
     EROFS},
    {"DryNew", kRegular, kNone, true, WM_IMPORT_ADDED, false},
    {"DryChanged", kRegular, kOneByteOff, true, WM_IMPORT_UPDATED, false},
    // A dry run fails what the real run fails, for the same reason.
    {"SourceUnreadable", kRegular, kNone, false, WM_IMPORT_FAILED, false, "Input/output", EIO,
     FaultOn::kRead},
    {"DrySourceUnreadable", kRegular, kNone, true, WM_IMPORT_FAILED, false, "Input/output", EIO,
     FaultOn::kRead},
    {"DryStoredNameTooLong", kLongName, kNone, true, WM_IMPORT_FAILED, false, "File name too long"},
    {"StoredTooLarge", kRegular, kNone, false, WM_IMPORT_FAILED, false, "would be 2 GiB", 0,
     FaultOn::kWrite, 300000},
    {"DryStoredTooLarge", kRegular, kNone, true, WM_IMPORT_FAILED, false, "would be 2 GiB", 0,
     FaultOn::kWrite, 300000},
    // Near the limit only the compression can tell; random bytes leave few matches.
    {"NearLimitFits", kRegular, kNone, false, WM_IMPORT_ADDED, true, "", 0, FaultOn::kWrite,
     WorstCaseStoredSize(300000) - 1},
    {"DryNearLimitFits", kRegular, kNone, true, WM_IMPORT_ADDED, false, "", 0, FaultOn::kWrite,
     WorstCaseStoredSize(300000) - 1},
};
INSTANTIATE_TEST_SUITE_P(Cases, ImportWorkerDecides, testing::ValuesIn(kWorkerCases),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(StartImport, DealsRoundRobinAndEachWorkerPostsItsShareInOrder) {
    // Dry, and with worker 1 not started; else all four run for real.
    for (const int throwFor : {-1, 1}) {
        const bool dryRun = throwFor >= 0;
        TempDir base;
        for (int i = 0; i < 10; ++i) {
            WriteFile(base / ("src/F" + std::string(1, char('A' + i))),
                      RandomBytes(100 + i, 20240611));
        }
        fs::create_directories(base / "root");
        RecordingMessageWindow window;
        const auto launch = [throwFor](std::unique_ptr<ImportJob> job) {
            return job->workerIndex == throwFor ? CannotStart(std::move(job))
                                                : LaunchWorkerThread(std::move(job));
        };
        ImportRun run = StartImport(base / "src", base / "root", window,
                                    {dryRun, launch, kImportWorkerCount, {}});
        ASSERT_TRUE(run.Started()) << run.message;
        run.workers.Join();
        ASSERT_EQ(run.allFiles.size(), 10u);
        Messages perWorker[kImportWorkerCount];
        for (const RecordedMessage& m : window.Messages()) {
            perWorker[m.lParam].push_back(m);
        }
        for (std::size_t k = 0; k < kImportWorkerCount; ++k) {
            // A dry run posts each verdict at once; a real one once its
            // batch of written files is in place.
            Messages expected, verdicts;
            const auto& list = (*run.workerFiles)[k];
            for (std::size_t i = 0; i < list.size(); ++i) {
                EXPECT_EQ(list[i], run.allFiles[4 * i + k]);
                if (int(k) != throwFor) {
                    expected.push_back({WM_IMPORT_PROGRESS, i, std::intptr_t(k)});
                    (dryRun ? expected : verdicts)
                        .push_back({WM_IMPORT_ADDED, i, std::intptr_t(k)});
                }
            }
            expected.insert(expected.end(), verdicts.begin(), verdicts.end());
            expected.push_back({WM_IMPORT_FINISHED, 0, std::intptr_t(k)});
            EXPECT_EQ(perWorker[k], expected) << "worker " << k;
        }
        EXPECT_EQ(ListFolder(base / "root").size(), dryRun ? 0u : 10u);
        EXPECT_EQ(run.workersNotStarted.size(), dryRun ? 1u : 0u);
    }
}

// Whatever the number of workers, each one's stored files are the literal
// codec's, file after file through one window in deal order; a stored file
// already there (the same, changed or damaged) is decoded into that window
// first, exactly as the worker's chunked comparison must leave it.
TEST(StartImport, StoredBytesAreTheLiteralCodecsThroughEachWorkersWindow) {
    for (const int workers : {1, 3, 8}) {
        SCOPED_TRACE(::testing::Message() << workers << " workers");
        TempDir base;
        const fs::path src = base / "src", root = base / "root";
        std::map<std::string, Bytes> contents, before;
        for (std::uint32_t i = 0; i < 21; ++i) {
            const std::string name = "d" + std::to_string(i % 2) + "/f" + std::to_string(i);
            const std::string path = base / ("src/" + name);  // as the scan spells it
            const std::size_t size = i * 1700 + (i % 3) * 17;
            const Bytes content = i % 2 == 0 ? RunsAndPatterns(size, i) : TextLike(size, i);
            WriteFile(path, content);
            contents[path] = content;
            if (i % 4 == 0) {
                continue;  // none yet; then the same, another content, cut short
            }
            Bytes stored = Packed(i % 4 == 2 ? TextLike(size + 5, i + 100) : content);
            stored.resize(stored.size() -
                          (i % 4 == 3 ? std::min<std::size_t>(stored.size(), 3) : 0));
            WriteFile(root / (name + ".aup"), stored);
            before[path] = stored;
        }
        RecordingMessageWindow window;
        ImportOptions options;
        options.workerCount = workers;
        ::testing::internal::CaptureStdout();  // the damaged files' fatal lines
        ImportRun run = StartImport(src.string(), root.string(), window, options);
        ASSERT_TRUE(run.Started()) << run.message;
        run.workers.Join();
        ::testing::internal::GetCapturedStdout();
        ASSERT_EQ(run.workerFiles->size(), std::size_t(workers));

        for (const std::vector<std::string>& list : *run.workerFiles) {
            auto literal = std::make_unique<LiteralWindow>();
            for (const std::string& path : list) {
                SCOPED_TRACE(path);
                const Bytes& content = contents.at(path);
                const fs::path stored = root / (path.substr(src.string().size() + 1) + ".aup");
                Bytes expected;
                if (const auto old = before.find(path); old != before.end()) {
                    const LiteralDecoded decoded = LiteralDecompress(old->second, *literal);
                    const bool whole = decoded.endMarker && decoded.content == content &&
                                       old->second.size() >= 4 &&
                                       StoredLengthField(old->second) == content.size();
                    expected = whole ? old->second : LiteralCompress(content, *literal);
                } else {
                    expected = LiteralCompress(content, *literal);
                }
                EXPECT_EQ(ReadFile(stored), expected);
            }
        }
        EXPECT_EQ(run.progress->bytesDone.load(), run.progress->bytesTotal);
    }
}

// The same folder as both, and a link below the root: HostileTrees, with orphans and verify.
TEST(StartImport, RefusalsComeBeforeAnyWorker) {
    TempDir base;
    const std::string src = base / "src", root = base / "root";
    fs::create_directories(src + "/Inner");
    fs::create_directories(root + "/sub");
    fs::create_directories(base / "looped");  // reaches the root's parent: root into itself
    const bool links = MakeLink(base / "src/Inner", base / "link", true) &&
                       MakeLink(base.Path(), base / "looped/up", true);
    fs::create_directories(base / "busy");
    const RootLock otherRun = RootLock::TryLock(base / "busy");
    const std::tuple<std::string, std::string, ImportRefusal> cases[] = {
        {src, base / "busy", ImportRefusal::kRootBusy},
        {src, "", ImportRefusal::kNoRootFolder},
        {src, base / "missing", ImportRefusal::kRootMissing},
        {base / "missing", root, ImportRefusal::kSourceMissing},
        {src, src + "/Inner", ImportRefusal::kRootInsideSource},
        {src, base / "link", ImportRefusal::kRootInsideSource},
        {root + "/sub", root, ImportRefusal::kSourceInsideRoot},
        {base / "looped", root, ImportRefusal::kSourceInsideRoot},
    };
    const std::set<std::string> linked = {base / "link", base / "looped"};
    for (const auto& [source, into, refusal] : cases) {
        if (!links && (linked.contains(source) || linked.contains(into))) {
            continue;  // this system makes no links
        }
        RecordingMessageWindow window;
        const ImportRun run =
            StartImport(source, into, window, {false, CannotStart, kImportWorkerCount, {}});
        EXPECT_EQ(run.refusal, refusal) << source << " into " << into;
        // A launch would have posted the FINISHED of a worker that could not start.
        EXPECT_TRUE(!run.message.empty() && window.Messages().empty());
    }
}

// Guards that no stored file is written through a folder link in the root,
// to another folder of it or out of it, dry runs foreseeing the same.
TEST(StartImport, FilesBehindALinkInTheRootFailAndNothingIsWrittenThere) {
    TempDir base;
    const std::string src = base / "src", root = base / "root";
    for (const char* name : {"Shared/S.png", "Ext/Deep/E.txt", "Top.txt"}) {
        WriteFile(src + "/" + name, name);
    }
    fs::create_directories(root + "/textures");
    fs::create_directories(base / "outside");
    if (!MakeLink("textures", base / "root/shared", true) ||
        !MakeLink(fs::path("../outside").make_preferred(), base / "root/ext", true)) {
        GTEST_SKIP() << "this system makes no symbolic links (Wine accepts and ignores them)";
    }
    for (const bool dryRun : {true, false}) {
        RecordingMessageWindow window;
        ImportOptions options;
        options.dryRun = dryRun;
        ImportRun run = StartImport(src, root, window, options);
        ASSERT_TRUE(run.Started()) << run.message;
        run.End();
        std::multiset<std::string> reasons;
        for (const std::vector<std::string>& list : *run.failureReasons) {
            reasons.insert(list.begin(), list.end());
        }
        EXPECT_EQ(reasons, (std::multiset<std::string>{"", "lies behind the link ext",
                                                       "lies behind the link shared"}));
        EXPECT_TRUE(fs::is_empty(root + "/textures") && fs::is_empty(base / "outside"));
        EXPECT_EQ(fs::exists(root + "/top.txt.aup"), !dryRun);
    }
}

// Each batch's data reaches the disk before any of its names does.
TEST(StoredFileBatch, PutsFilesInPlaceBatchByBatchInOrderAndNamesWhatFails) {
    TempDir root;
    const DurabilitySteps steps;
    RecordingMessageWindow window;
    std::vector<std::string> reasons(7);
    const std::atomic<bool> noStop{false};
    {
        // All written first: a flush of each file's own (kFlushesEachFile) comes before any
        // batch's steps, which run beside the worker.
        std::vector<PendingFile> files(reasons.size());
        for (std::size_t i = 0; i < reasons.size(); ++i) {
            ASSERT_TRUE(files[i].Write(root / ("f" + std::to_string(i)), {ToBytes("x")}, false));
            if (i == 5) {
                fs::create_directory(files[i].Path());  // a rename cannot replace a folder
            }
        }
        StoredFileBatch batch(root.Path().string(), window, 1, reasons, noStop, 2);
        for (std::size_t i = 0; i < reasons.size(); ++i) {
            batch.Add(i, WM_IMPORT_ADDED, std::move(files[i]));
        }
        batch.Finish();
    }
    Messages expected;
    std::vector<std::string> taken;
    for (std::size_t i = 0; kFlushesEachFile && i < reasons.size(); ++i) {
        taken.push_back("flush " + (root / ("f" + std::to_string(i))));
    }
    for (std::size_t i = 0; i < reasons.size(); ++i) {
        expected.push_back({i == 5 ? WM_IMPORT_FAILED : WM_IMPORT_ADDED, i, 1});
        if (i % 2 == 0) {
            taken.push_back("flush " + root.Path().string());
        }
        taken.push_back("rename " + (root / ("f" + std::to_string(i))));
    }
    taken.push_back("flush " + root.Path().string());  // the renames, once for the run
    EXPECT_EQ(steps.Taken(), taken);
    EXPECT_EQ(window.Messages(), expected);
    EXPECT_NE(reasons[5].find("f5"), std::string::npos) << reasons[5];
    EXPECT_EQ(ListFolder(root.Path()).size(), reasons.size()) << "a temporary was left";
}

TEST(ImportLogLine, PrefixDisplayNameAndWorkerSuffix) {
    EXPECT_EQ(ImportLogLine(WM_IMPORT_ADDED, "/s/Data/A.TXT", "/s", 3), "添加:Data/A.TXT(3)\r\n");
    EXPECT_EQ(ImportLogLine(WM_IMPORT_UPDATED, "/s/b", "/s", 0), "更新:b(0)\r\n");
    EXPECT_EQ(ImportLogLine(WM_IMPORT_FAILED, "/s/c", "/s", 1, "why"), "failed:c(1) (why)\r\n");
    EXPECT_EQ(ImportLogLine(WM_IMPORT_ADDED, "/x", "/", 2), "添加:x(2)\r\n");
    EXPECT_EQ(ImportLogLine(WM_IMPORT_ADDED, "/s/d", "/s", 0x100000002), "添加:d(2)\r\n");
    // A name or reason with a line end in it cannot split or forge a line.
    EXPECT_EQ(ImportLogLine(WM_IMPORT_FAILED, "/s/a\nb", "/s", 1, "w\r\n"),
              "failed:a\\x0ab(1) (w\\x0d\\x0a)\r\n");
    const RefusedFile refused{"/s/Data/a?", RefusalReason::kNameNotHeld};
    EXPECT_EQ(RefusedFileLine(refused, "/s"),
              "refused:Data/a? (" + std::string(RefusalText(refused.reason)) + ")\r\n");
    const WorkerFileLists lists = {{"a", "e"}, {"b"}, {}, {}};
    EXPECT_EQ(LookUpWorkerFile(lists, 1, 0) + LookUpWorkerFile(lists, 0, 1), "eb");
    EXPECT_EQ(LookUpWorkerFile(lists, 2, 0) + LookUpWorkerFile(lists, 0, 4), "");
}

TEST(ImportSummaryLine, CommandLineAndDialogWords) {
    ImportCounts counts{1, 2, 3, 4, 5, 1.005, 12.34, false};
    EXPECT_EQ(ImportSummaryLine(counts),
              "added 1, updated 2, unchanged 3, refused 4, failed 5, 1.00 s, 12.3 MB/s");
    counts.dryRun = true;
    EXPECT_EQ(ImportSummaryLine(counts).substr(0, 55),
              "dry run, nothing written: would add 1, would update 2, ");
}

}  // namespace
}  // namespace kelvarin::test

namespace kelvarin::test {
namespace {

// Stops the run as soon as the first file is begun.
class StoppingWindow final : public MessageWindow {
public:
    StoppingWindow(ImportProgress& progress, bool abandon)
        : m_progress(progress), m_abandon(abandon) {}
    void PostMessage(unsigned message, std::uintptr_t wParam, std::intptr_t) override {
        if (message == WM_IMPORT_PROGRESS) {
            m_abandon ? m_progress.RequestAbandon() : m_progress.stopRequested.store(true);
        }
        messages.push_back({message, wParam, 0});
    }
    std::vector<RecordedMessage> messages;

private:
    ImportProgress& m_progress;
    bool m_abandon;
};

// Guards the two stops: the dialog's close lets a worker finish and put in
// place the file it is on; a stopped process gives that file up.
TEST(ImportWorker, AStopFinishesTheFileInWorkAndAnAbandonGivesItUp) {
    for (const bool abandon : {false, true}) {
        TempDir base;
        WriteFile(base / "src/a", std::string(300000, 'a'));
        WriteFile(base / "src/b", "b");
        auto job = std::make_unique<ImportJob>();
        StoppingWindow window(*job->progress, abandon);
        job->hwndDialog = &window;
        job->rootPath = base / "root";
        job->sourceRoot = base / "src";
        job->files = std::make_shared<std::vector<std::string>>(
            std::vector<std::string>{base / "src/a", base / "src/b"});
        job->failureReasons = std::make_shared<std::vector<std::string>>(2);
        ImportWorker(job.release());
        const unsigned verdict = abandon ? WM_IMPORT_ABANDONED : WM_IMPORT_ADDED;
        EXPECT_EQ(
            window.messages,
            (Messages{{WM_IMPORT_PROGRESS, 0, 0}, {verdict, 0, 0}, {WM_IMPORT_FINISHED, 0, 0}}))
            << "abandon " << abandon;
        EXPECT_EQ(fs::exists(base / "root/a.aup"), !abandon);
        EXPECT_FALSE(fs::exists(base / "root/b.aup"));
    }
}

}  // namespace
}  // namespace kelvarin::test
