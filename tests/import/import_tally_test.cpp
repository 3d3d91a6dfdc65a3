// The import's tally: what each worker message means, read back as the
// front ends read it. Runs are built by hand, so every message order and
// every malformed index can be posted.
#include "import/import_tally.h"

#include <gtest/gtest.h>

#include <memory>

#include "import/import_messages.h"

namespace kelvarin::test {
namespace {

// Six files over two workers: /s/F0 /s/F2 /s/F4 | /s/F1 /s/F3 /s/F5, of
// 100, 101, ... bytes; /s/b? refused; worker 1 not started when asked.
ImportRun HandMadeRun(bool workerOneNotStarted) {
    ImportRun run;
    run.sourceRoot = "/s";
    auto lists = std::make_shared<WorkerFileLists>(2);
    run.fileSizes.resize(2);
    for (int i = 0; i < 6; ++i) {
        (*lists)[i % 2].push_back("/s/F" + std::to_string(i));
        run.fileSizes[i % 2].push_back(100 + i);
    }
    run.workerFiles = lists;
    run.failureReasons =
        std::make_shared<FailureReasons>(FailureReasons{{"", "", ""}, {"", "", "gone"}});
    run.refusedFiles.push_back({"/s/b?", RefusalReason::kNameNotHeld, 7});
    if (workerOneNotStarted) {
        run.workersNotStarted.push_back({1, "Import worker 1 could not be started: busy"});
    }
    return run;
}

struct Posted {
    unsigned message;
    std::uintptr_t file;
    std::intptr_t worker;
};

TEST(ImportTally, EveryFateCountsOnceAndTheThroughputLeavesFailuresOut) {
    ImportTally tally(HandMadeRun(false), false);
    const Posted messages[] = {
        {WM_IMPORT_PROGRESS, 0, 0}, {WM_IMPORT_ADDED, 0, 0},      // F0 added
        {WM_IMPORT_PROGRESS, 0, 1}, {WM_IMPORT_PROGRESS, 1, 0},   // F1 unchanged
        {WM_IMPORT_UPDATED, 1, 0},  {WM_IMPORT_PROGRESS, 1, 1},   // F2 updated
        {WM_IMPORT_PROGRESS, 2, 1}, {WM_IMPORT_FAILED, 2, 1},     // F5 failed
        {WM_IMPORT_ADDED, 9, 0},    {WM_IMPORT_PROGRESS, 0, -1},  // name nothing
        {WM_IMPORT_FINISHED, 0, 0}, {WM_IMPORT_FINISHED, 0, 1},   // F3 unchanged, F4 not begun
    };
    std::vector<std::string> lines;
    for (const Posted& posted : messages) {
        EXPECT_FALSE(tally.Finished());
        if (auto line = tally.Take(posted.message, posted.file, posted.worker)) {
            lines.push_back(line->text + "|" + std::to_string(static_cast<int>(line->kind)));
        }
    }
    EXPECT_TRUE(tally.Finished());
    EXPECT_EQ(lines, (std::vector<std::string>{"添加:F0(0)\r\n|0", "更新:F2(0)\r\n|1",
                                               "failed:F5(1) (gone)\r\n|2", "添加:(0)\r\n|0"}));
    const ImportCounts counts = tally.Counts(2.0);
    EXPECT_EQ(ImportSummaryLine(counts),
              "added 1, updated 1, unchanged 2, refused 1, failed 1, 2.00 s, 0.0 MB/s");
    // F0 + F1 + F2 + F3: the failed F5 and the unbegun F4 do not count.
    EXPECT_DOUBLE_EQ(counts.megabytesPerSecond, (100 + 101 + 102 + 103) / 1e6 / 2.0);
    EXPECT_EQ(tally.FilesNotBegun(), 1u);
    EXPECT_EQ(tally.FilesDone(), 5u);  // every file begun, once its worker moved on
    EXPECT_EQ(tally.Problems(),
              (std::vector<std::string>{
                  "refused:b? (" + std::string(RefusalText(RefusalReason::kNameNotHeld)) + ")",
                  "failed:F5(1) (gone)"}));
    std::vector<std::string> fates;
    for (const FileReport& file : tally.Files()) {
        fates.push_back(file.stored + " " + FateName(file.fate) + " " + std::to_string(file.bytes) +
                        " " + file.reason);
    }
    EXPECT_EQ(fates,
              (std::vector<std::string>{
                  "b?.aup refused 7 " + std::string(RefusalText(RefusalReason::kNameNotHeld)),
                  "f0.aup added 100 ", "f1.aup unchanged 101 ", "f2.aup updated 102 ",
                  "f3.aup unchanged 103 ", "f4.aup not-begun 104 ", "f5.aup failed 105 gone"}));
    EXPECT_EQ(tally.WrittenStoredFiles(), (std::vector<std::string>{"f0.aup", "f2.aup"}));
    EXPECT_FALSE(tally.EverythingDone());
}

TEST(ImportTally, AWorkerNotStartedFailsItsFilesWithItsReason) {
    ImportTally tally(HandMadeRun(true), true);
    ASSERT_EQ(tally.OpeningLines().size(), 1u);  // the refused file
    EXPECT_EQ(tally.OpeningLines()[0].kind, LineKind::kProblem);
    tally.Take(WM_IMPORT_PROGRESS, 0, 0);
    tally.Take(WM_IMPORT_FINISHED, 0, 1);  // posted for the worker that never ran
    EXPECT_FALSE(tally.Finished());
    tally.Take(WM_IMPORT_FINISHED, 0, 0);
    EXPECT_TRUE(tally.Finished());
    EXPECT_EQ(tally.SummaryLine(0),
              "dry run, nothing written: would add 0, would update 0, "
              "unchanged 1, refused 1, failed 3, 0.00 s, 0.0 MB/s");
    EXPECT_EQ(tally.Problems().back(), "Import worker 1 could not be started: busy");
    const std::vector<FileReport> files = tally.Files();
    EXPECT_EQ(files[2].reason, "Import worker 1 could not be started: busy");
    EXPECT_EQ(files[2].fate, FileFate::kNotStarted);
    EXPECT_EQ(files[3].fate, FileFate::kNotBegun);
}

}  // namespace
}  // namespace kelvarin::test
