// The settings files as the dialog and the command line read and write them.
#include <gtest/gtest.h>

#include <filesystem>

#include "settings/settings_files.h"
#include "tests/support/temp_dir.h"

namespace kelvarin::test {
namespace {

TEST(RootFolderFile, MissingFileGivesAnEmptyRoot) {
    TempDir dir;
    EXPECT_EQ(ReadRootFolderFile(dir / "root.folder"), "");
}

TEST(RootFolderFile, FirstLineIsTakenWithoutItsLineEnd) {
    TempDir dir;
    WriteFile(dir / "root.folder", "/srv/Upd\r\n/second/line\n");
    EXPECT_EQ(ReadRootFolderFile(dir / "root.folder"), "/srv/Upd");
    WriteFile(dir / "root.folder", "/srv/Upd\n");
    EXPECT_EQ(ReadRootFolderFile(dir / "root.folder"), "/srv/Upd");
}

TEST(RootFolderFile, RootIsCanonicalisedWithItsCaseKept) {
    TempDir dir;
    WriteFile(dir / "root.folder", "/srv//Upd/./data/../");
    EXPECT_EQ(ReadRootFolderFile(dir / "root.folder"), "/srv/Upd");
}

TEST(RootFolderFile, WrittenExactlyWithNoLineEnd) {
    TempDir dir;
    ASSERT_TRUE(WriteRootFolderFile("/srv/upd", dir / "root.folder"));
    EXPECT_EQ(ReadFile(dir / "root.folder"), ToBytes("/srv/upd"));
    ASSERT_TRUE(WriteRootFolderFile("", dir / "root.folder"));
    EXPECT_TRUE(ReadFile(dir / "root.folder").empty());
    EXPECT_EQ(ListFolder(dir.Path()), std::vector<std::string>{"root.folder"});
}

TEST(RootFolderFile, UnwritableFileIsReported) {
    TempDir dir;
    std::filesystem::create_directory(dir / "root.folder");
    EXPECT_FALSE(WriteRootFolderFile("/srv/upd", dir / "root.folder"));
}

TEST(ExcludeListFile, EntriesAreSeparatedByAnyWhiteSpace) {
    TempDir dir;
    WriteFile(dir / "exclude.list", "a.txt  b.txt\n\r\nc.txt\tdata\\x.dat\n");
    EXPECT_EQ(ReadExcludeListFile(dir / "exclude.list"),
              (std::vector<std::string>{"a.txt", "b.txt", "c.txt", "data\\x.dat"}));
}

TEST(ExcludeListFile, DuplicatesKeptAndLongEntriesWhole) {
    TempDir dir;
    const std::string longEntry(5000, 'x');
    WriteFile(dir / "exclude.list", "dup dup " + longEntry);
    EXPECT_EQ(ReadExcludeListFile(dir / "exclude.list"),
              (std::vector<std::string>{"dup", "dup", longEntry}));
}

TEST(ExcludeListFile, EmptyOrMissingGivesNoEntries) {
    TempDir dir;
    EXPECT_TRUE(ReadExcludeListFile(dir / "exclude.list").empty());
    WriteFile(dir / "exclude.list", " \n\n");
    EXPECT_TRUE(ReadExcludeListFile(dir / "exclude.list").empty());
}

}  // namespace
}  // namespace kelvarin::test
