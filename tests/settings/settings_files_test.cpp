// The settings files as the dialog and the command line read and write them.
#include "settings/settings_files.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace kelvarin::test {
namespace {

TEST(RootFolderFile, RoundTripsExactlyAndReadsTheFirstLineCanonically) {
    TempDir dir;
    const std::string file = dir / "root.folder";
    EXPECT_EQ(ReadRootFolderFile(file), "");  // missing
    ASSERT_TRUE(WriteRootFolderFile("/srv/Upd", file));
    EXPECT_EQ(ReadFile(file), ToBytes("/srv/Upd"));  // no line end
    EXPECT_EQ(ReadRootFolderFile(file), "/srv/Upd");
    WriteFile(file, "/srv//Upd/./data/../\r\n/second/line\n");
    EXPECT_EQ(ReadRootFolderFile(file), "/srv/Upd");
    EXPECT_FALSE(WriteRootFolderFile("/x", dir / "no/such/folder/root.folder"));
}

TEST(ExcludeListFile, EntriesAreSeparatedByAnyWhiteSpaceDuplicatesKeptLongOnesWhole) {
    TempDir dir;
    const std::string file = dir / "exclude.list";
    EXPECT_TRUE(ReadExcludeListFile(file).empty());  // missing
    const std::string longEntry(5000, 'x');
    WriteFile(file, " a.txt  A.txt\n\r\na.txt\tdata\\x.dat\v\f" + longEntry + "\n");
    EXPECT_EQ(ReadExcludeListFile(file),
              (std::vector<std::string>{"a.txt", "A.txt", "a.txt", "data\\x.dat", longEntry}));
}

}  // namespace
}  // namespace kelvarin::test
