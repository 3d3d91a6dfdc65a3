// The settings files as the dialog and the command line read and write them.
#include "settings/settings_files.h"

#include <gtest/gtest.h>

#include "tests/support/system_files.h"
#include "tests/support/temp_dir.h"

namespace kelvarin::test {
namespace {

TEST(RootFolderFile, RoundTripsExactlyAndReadsTheFirstLineCanonically) {
#ifdef _WIN32
    const std::string root = "C:\\srv\\Upd", spelled = "c:/srv//Upd/./data/../";
#else
    const std::string root = "/srv/Upd", spelled = "/srv//Upd/./data/../";
#endif
    TempDir dir;
    const std::string file = dir / "root.folder";
    EXPECT_EQ(ReadRootFolderFile(file).value, "");  // missing
    ASSERT_TRUE(WriteRootFolderFile(root, file));
    EXPECT_EQ(ReadFile(file), ToBytes(root));  // no line end
    EXPECT_EQ(ReadRootFolderFile(file).value, root);
    WriteFile(file, spelled + "\r\n/second/line\n");
    EXPECT_EQ(ReadRootFolderFile(file).value, root);
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

// A root.folder line with a control byte (a NUL would cut the path short)
// or of only spaces is refused by name; other spaces stay part of the path.
TEST(RootFolderFile, ControlBytesOrOnlySpacesAreRefusedByName) {
    TempDir dir;
    const std::string file = dir / "root.folder";
    const std::pair<std::string, std::string> kCases[] = {
        {std::string("/srv/a\0b", 8), "a control byte (\\x00) at byte 7"},
        {"/srv/\tUpd\n", "a control byte (\\x09) at byte 6"},
        {"/srv/U\x1bpd", "a control byte (\\x1b) at byte 7"},
        {"   \r\n/srv", "only white space"},
        {" /srv/Upd \n\0", ""},
        {"\n/srv", ""},
    };
    for (const auto& [content, problem] : kCases) {
        WriteFile(file, content);
        const auto [root, said] = ReadRootFolderFile(file);
        EXPECT_EQ(root.empty(), !problem.empty() || content[0] == '\n') << said;
        EXPECT_EQ(said.empty() ? "" : said.substr(file.size() + 7, problem.size()), problem);
        EXPECT_EQ(said.find(file) == 0, !problem.empty()) << said;
    }
}

// A settings file that is there but cannot be read whole is a problem to
// name, never a wait (a FIFO) and never half an exclusion list.
TEST(SettingsFiles, WhatCannotBeReadWholeIsNamedAndMissingIsNot) {
    TempDir dir;
    std::filesystem::create_directory(dir / "folder");
    WriteFile(dir / "huge", "");
    std::filesystem::resize_file(dir / "huge", std::uintmax_t{65} << 20);
    for (const std::string& path :
         {dir / "missing", MakeSpecialFile(dir.Path()), dir / "folder", dir / "huge"}) {
        const auto [root, rootProblem] = ReadRootFolderFile(path);
        const auto [entries, excludeProblem] = ReadExcludeListFile(path);
        EXPECT_EQ(root, "");
        EXPECT_TRUE(entries.empty());
        EXPECT_EQ(rootProblem.empty(), path == dir / "missing") << path;
        EXPECT_EQ(excludeProblem, rootProblem);
        EXPECT_EQ(rootProblem.find(path) == std::string::npos, rootProblem.empty());
    }
}

}  // namespace
}  // namespace kelvarin::test
