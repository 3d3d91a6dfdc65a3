// The settings files as the dialog and the command line read and write them.
#include "settings/settings_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/temp_dir.h"

namespace kelvarin::test {
namespace {

TEST(RootFolderFile, RoundTripsExactlyAndReadsTheFirstLineCanonically) {
    TempDir dir;
    const std::string file = dir / "root.folder";
    EXPECT_EQ(ReadRootFolderFile(file).value, "");  // missing
    ASSERT_TRUE(WriteRootFolderFile("/srv/Upd", file));
    EXPECT_EQ(ReadFile(file), ToBytes("/srv/Upd"));  // no line end
    EXPECT_EQ(ReadRootFolderFile(file).value, "/srv/Upd");
    WriteFile(file, "/srv//Upd/./data/../\r\n/second/line\n");
    EXPECT_EQ(ReadRootFolderFile(file).value, "/srv/Upd");
    EXPECT_FALSE(WriteRootFolderFile("/x", dir / "no/such/folder/root.folder"));
}

TEST(ExcludeListFile, EntriesAreSeparatedByAnyWhiteSpaceDuplicatesKeptLongOnesWhole) {
    TempDir dir;
    const std::string file = dir / "exclude.list";
    EXPECT_TRUE(ReadExcludeListFile(file).value.empty());  // missing
    const std::string longEntry(5000, 'x');
    WriteFile(file, " a.txt  A.txt\n\r\na.txt\tdata\\x.dat\v\f" + longEntry + "\n");
    EXPECT_EQ(ReadExcludeListFile(file).value,
              (std::vector<std::string>{"a.txt", "A.txt", "a.txt", "data\\x.dat", longEntry}));
}

// A settings file that is there but cannot be read whole is a problem to
// name, never a wait (a FIFO) and never half an exclusion list.
TEST(SettingsFiles, WhatCannotBeReadWholeIsNamedAndMissingIsNot) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(dir / "folder");
    WriteFile(dir / "huge", "");
    std::filesystem::resize_file(dir / "huge", std::uintmax_t{65} << 20);
    for (const char* name : {"missing", "fifo", "folder", "huge"}) {
        const auto [root, rootProblem] = ReadRootFolderFile(dir / name);
        const auto [entries, excludeProblem] = ReadExcludeListFile(dir / name);
        EXPECT_EQ(root, "");
        EXPECT_TRUE(entries.empty());
        EXPECT_EQ(rootProblem.empty(), name == std::string("missing")) << name;
        EXPECT_EQ(excludeProblem, rootProblem);
        EXPECT_EQ(rootProblem.find(dir / name) == std::string::npos, rootProblem.empty());
    }
}

}  // namespace
}  // namespace kelvarin::test
