// Which scanned files the list takes, under which names, and which names
// refuse the list.
#include <gtest/gtest.h>

#include "filelist/listed_files.h"

namespace kelvarin {
namespace {

using Paths = std::vector<std::string>;

TEST(ListedFiles, LeavesOutTheDefaultListFilesByExactPath) {
    const ListedFiles listed = SelectListedFiles(
        "/srv/Upd",
        {"/srv/Upd/a.aup", "/srv/Upd/update_filelist.xml", "/srv/Upd/update_filelist.xml.bin",
         "/srv/Upd/UPDATE_FILELIST.XML", "/srv/Upd/sub/update_filelist.xml", "/srv/Upd/z.aup"});
    EXPECT_EQ(listed.paths, (Paths{"/srv/Upd/a.aup", "/srv/Upd/UPDATE_FILELIST.XML",
                                   "/srv/Upd/sub/update_filelist.xml", "/srv/Upd/z.aup"}));
    EXPECT_EQ(listed.names,
              (Paths{"a.aup", "update_filelist.xml", "sub\\update_filelist.xml", "z.aup"}));
    EXPECT_TRUE(listed.refusals.empty());
}

TEST(ListedFiles, LeavesOutOnlyTheFirstOccurrence) {
    const ListedFiles listed =
        SelectListedFiles("/r", {"/r/update_filelist.xml", "/r/update_filelist.xml"});
    EXPECT_EQ(listed.paths, (Paths{"/r/update_filelist.xml"}));
}

TEST(ListedFiles, LeavesOutTemporaries) {
    const ListedFiles listed = SelectListedFiles(
        "/r", {"/r/.~kvtmp.12.0", "/r/a/.~kvtmp.99.3", "/r/keep.~kvtmp.aup", "/r/b.aup"});
    EXPECT_EQ(listed.paths, (Paths{"/r/keep.~kvtmp.aup", "/r/b.aup"}));
}

TEST(ListedFiles, NamesArePublishedNames) {
    const ListedFiles listed = SelectListedFiles("/r", {"/r/Data/Sub/A.TXT.aup", "/r/x&y z"});
    EXPECT_EQ(listed.names, (Paths{"data\\sub\\a.txt.aup", "x&y z"}));
}

TEST(ListedFiles, RootFolderOfTheWholeSystem) {
    EXPECT_EQ(RootPrefix("/"), "/");
    EXPECT_EQ(DefaultListPath("/"), "/update_filelist.xml");
    const ListedFiles listed = SelectListedFiles("/", {"/update_filelist.xml", "/etc/Hosts"});
    EXPECT_EQ(listed.names, (Paths{"etc\\hosts"}));
}

TEST(ListedFiles, KeepsScanOrder) {
    const Paths scanned = {"/r/b", "/r/A/z", "/r/A/a", "/r/c"};
    EXPECT_EQ(SelectListedFiles("/r", scanned).paths, scanned);
}

TEST(ListedFiles, RefusesNamesTheClientCannotHoldAndNamesEachOne) {
    const ListedFiles listed =
        SelectListedFiles("/r", {"/r/ok.aup", "/r/a:b.aup", "/r/Data/x.aup", "/r/q?.aup",
                                 "/r/data/X.aup", "/r/tab\there.aup"});
    ASSERT_EQ(listed.refusals.size(), 5u);
    EXPECT_EQ(listed.refusals[0].path, "a:b.aup");
    EXPECT_EQ(listed.refusals[1].path, "Data/x.aup");
    EXPECT_NE(listed.refusals[1].reason.find("data/X.aup"), std::string::npos);
    EXPECT_EQ(listed.refusals[2].path, "q?.aup");
    EXPECT_EQ(listed.refusals[3].path, "data/X.aup");
    EXPECT_NE(listed.refusals[3].reason.find("Data/x.aup"), std::string::npos);
    EXPECT_EQ(listed.refusals[4].path, "tab\there.aup");
}

TEST(ListedFiles, DifferenceOnlyInCaseOfAFolderIsRefused) {
    const ListedFiles listed = SelectListedFiles("/r", {"/r/Music/a", "/r/music/A", "/r/b"});
    ASSERT_EQ(listed.refusals.size(), 2u);
    EXPECT_EQ(listed.refusals[0].path, "Music/a");
    EXPECT_EQ(listed.refusals[1].path, "music/A");
}

}  // namespace
}  // namespace kelvarin
