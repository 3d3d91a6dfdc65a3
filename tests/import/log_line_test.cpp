// The pieces that name files: stored paths, display names, the log lines of
// worker messages, the file lookup by (file index, worker index), and the
// per-file refusals.
#include <gtest/gtest.h>

#include "import/import_messages.h"
#include "import/log_line.h"
#include "import/refused_files.h"
#include "import/stored_path.h"

namespace kelvarin {
namespace {

using Strings = std::vector<std::string>;

TEST(StoredFilePath, LowerCasesTheRelativePathOnlyAndAppendsTheSuffix) {
    EXPECT_EQ(StoredFilePath("/srv/Upd", "Data/A.TXT"), "/srv/Upd/data/a.txt.aup");
    EXPECT_EQ(StoredFilePath("/", "X.DAT"), "/x.dat.aup");
    // Only ASCII letters change; other bytes (UTF-8 here) are kept.
    EXPECT_EQ(StoredFilePath("/u", "\xC3\x84Z.txt"), "/u/\xC3\x84z.txt.aup");
}

TEST(RelativeToFolder, GivesThePartBelowTheFolderOnly) {
    EXPECT_EQ(RelativeToFolder("/src/New/Data/A.TXT", "/src/New"), "Data/A.TXT");
    EXPECT_EQ(RelativeToFolder("/x.dat", "/"), "x.dat");
    EXPECT_EQ(RelativeToFolder("/src/Newer/a", "/src/New"), std::nullopt);
    EXPECT_EQ(RelativeToFolder("/src/New", "/src/New"), std::nullopt);
    EXPECT_EQ(RelativeToFolder("/src/New/", "/src/New"), std::nullopt);
    EXPECT_EQ(RelativeToFolder("/other/New/a", "/src/New"), std::nullopt);
    EXPECT_EQ(RelativeToFolder("/src/New/a", ""), std::nullopt);
}

TEST(DisplayName, IsThePathAfterTheSourceRootAndOneSeparator) {
    EXPECT_EQ(DisplayName("/d/New/Data/A.TXT", "/d/New"), "Data/A.TXT");
    EXPECT_EQ(DisplayName("/elsewhere/a.txt", "/d/New"), "/elsewhere/a.txt");
    EXPECT_EQ(DisplayName("/d/New", "/d/New"), "");
    EXPECT_EQ(DisplayName("/d/New/", "/d/New"), "");
    EXPECT_EQ(DisplayName("", "/d/New"), "");
    // The first occurrence counts, wherever it stands.
    EXPECT_EQ(DisplayName("/x/d/New/a", "/d/New"), "a");
    // "/" already ends in its separator: no byte of the name is lost.
    EXPECT_EQ(DisplayName("/x.dat", "/"), "x.dat");
}

TEST(ImportLogLine, AddedUpdatedAndFailedLines) {
    EXPECT_EQ(ImportLogLine(WM_IMPORT_ADDED, "/d/New/Data/A.TXT", "/d/New", 2),
              "添加:Data/A.TXT(2)\r\n");
    EXPECT_EQ(ImportLogLine(WM_IMPORT_UPDATED, "/d/New/Data/A.TXT", "/d/New", 2),
              "更新:Data/A.TXT(2)\r\n");
    EXPECT_EQ(ImportLogLine(WM_IMPORT_FAILED, "/d/New/b", "/d/New", 0), "failed:b(0)\r\n");
    EXPECT_EQ(ImportLogLine(WM_IMPORT_ADDED, "/other/a", "/d/New", 1), "添加:/other/a(1)\r\n");
}

TEST(ImportLogLine, WorkerIndexIsPrintedAsASigned32BitValue) {
    EXPECT_EQ(ImportLogLine(WM_IMPORT_UPDATED, "", "/d/New", 7), "更新:(7)\r\n");
    EXPECT_EQ(ImportLogLine(WM_IMPORT_ADDED, "", "/d/New", -1), "添加:(-1)\r\n");
    EXPECT_EQ(ImportLogLine(WM_IMPORT_ADDED, "", "/d/New", 0xFFFFFFFE), "添加:(-2)\r\n");
}

TEST(LookUpWorkerFile, FindsTheEntryOrNothingOutsideTheLists) {
    const WorkerFileLists lists = {Strings{"a0", "a1"}, Strings{"b0"}, Strings{}, Strings{"d0"}};
    EXPECT_EQ(LookUpWorkerFile(lists, 1, 0), "a1");
    EXPECT_EQ(LookUpWorkerFile(lists, 0, 3), "d0");
    EXPECT_EQ(LookUpWorkerFile(lists, 2, 0), "");
    EXPECT_EQ(LookUpWorkerFile(lists, 0, 2), "");
    EXPECT_EQ(LookUpWorkerFile(lists, 0, 7), "");
    EXPECT_EQ(LookUpWorkerFile(lists, 0, -1), "");
    EXPECT_EQ(LookUpWorkerFile(lists, SIZE_MAX, 1), "");
}

TEST(TakeRefusedFiles, RefusesEveryFileOfACaseClashAndEveryForbiddenName) {
    Strings files = {"/s/A.txt", "/s/b",       "/s/a.TXT",    "/s/x?y", "/s/Sub/c",
                     "/s/q\"",   "/s/l<",      "/s/g>",       "/s/p|",  "/s/st*",
                     "/s/SUB/C", "/s/ctl\x01", "/s/back\\sl", "/s/ok"};
    const std::vector<RefusedFile> refused = TakeRefusedFiles(files, "/s");
    using R = RefusalReason;
    EXPECT_EQ(refused, (std::vector<RefusedFile>{{"/s/A.txt", R::kNameDiffersInCase},
                                                 {"/s/a.TXT", R::kNameDiffersInCase},
                                                 {"/s/x?y", R::kNameNotHeld},
                                                 {"/s/Sub/c", R::kNameDiffersInCase},
                                                 {"/s/q\"", R::kNameNotHeld},
                                                 {"/s/l<", R::kNameNotHeld},
                                                 {"/s/g>", R::kNameNotHeld},
                                                 {"/s/p|", R::kNameNotHeld},
                                                 {"/s/st*", R::kNameNotHeld},
                                                 {"/s/SUB/C", R::kNameDiffersInCase},
                                                 {"/s/ctl\x01", R::kNameNotHeld},
                                                 {"/s/back\\sl", R::kNameNotHeld}}));
    EXPECT_EQ(files, (Strings{"/s/b", "/s/ok"}));
}

TEST(TakeRefusedFiles, ThreeWayClashRefusesAllThree) {
    Strings files = {"/s/a", "/s/A", "/s/keep", "/s/a\xC3\xA4", "/s/A\xC3\xA4"};
    const std::vector<RefusedFile> refused = TakeRefusedFiles(files, "/s");
    ASSERT_EQ(refused.size(), 4u);
    EXPECT_EQ(files, Strings{"/s/keep"});
    Strings files3 = {"/s/x", "/s/X", "/s/x"};
    EXPECT_EQ(TakeRefusedFiles(files3, "/s").size(), 3u);
    EXPECT_TRUE(files3.empty());
}

TEST(RefusedFileLine, NamesTheFileAndTheReason) {
    EXPECT_EQ(RefusedFileLine({"/d/New/a:b", RefusalReason::kNameNotHeld}, "/d/New"),
              "refused:a:b (the client cannot hold this name)\r\n");
    EXPECT_EQ(RefusedFileLine({"/d/New/Data/A", RefusalReason::kNameDiffersInCase}, "/d/New"),
              "refused:Data/A (another source file differs from it only in case)\r\n");
}

}  // namespace
}  // namespace kelvarin
