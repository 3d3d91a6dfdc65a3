// The lexical canonical form of chosen folders: what every scanned path
// starts with, so that callers can cut the folder off by length.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "scan/collect_files.h"
#include "tests/support/temp_dir.h"

namespace kelvarin {
namespace {

std::string Cwd() {
    return std::filesystem::current_path().string();
}

TEST(CanonicalFolder, AbsolutePathWithoutNoiseIsKept) {
    EXPECT_EQ(CanonicalFolder("/srv/Update/Data"), "/srv/Update/Data");
}

TEST(CanonicalFolder, TrailingAndDoubledSeparatorsGo) {
    EXPECT_EQ(CanonicalFolder("/srv/upd/"), "/srv/upd");
    EXPECT_EQ(CanonicalFolder("//srv///upd//"), "/srv/upd");
}

TEST(CanonicalFolder, DotAndDotDotResolveTextually) {
    EXPECT_EQ(CanonicalFolder("/a/./b/../c"), "/a/c");
    EXPECT_EQ(CanonicalFolder("/a/b/c/../../d/."), "/a/d");
    EXPECT_EQ(CanonicalFolder("/a/.hidden/..."), "/a/.hidden/...");
}

TEST(CanonicalFolder, DotDotAboveTheRootStaysAtTheRoot) {
    EXPECT_EQ(CanonicalFolder("/.."), "/");
    EXPECT_EQ(CanonicalFolder("/../../x"), "/x");
}

TEST(CanonicalFolder, RootIsTheOnlyPathEndingInSeparator) {
    EXPECT_EQ(CanonicalFolder("/"), "/");
    EXPECT_EQ(CanonicalFolder("///"), "/");
    EXPECT_EQ(CanonicalFolder("/a/.."), "/");
}

TEST(CanonicalFolder, RelativePathsResolveAgainstTheCurrentDirectory) {
    EXPECT_EQ(CanonicalFolder("x/y"), Cwd() + "/x/y");
    EXPECT_EQ(CanonicalFolder("./x/../y/"), Cwd() + "/y");
    EXPECT_EQ(CanonicalFolder("."), Cwd());
    EXPECT_EQ(CanonicalFolder(""), Cwd());
}

TEST(CanonicalFolder, CaseAndBackslashesAreKept) {
    // '\' is an ordinary name byte on Linux, not a separator.
    EXPECT_EQ(CanonicalFolder("/New/Data\\Old"), "/New/Data\\Old");
}

TEST(CanonicalFolder, SymbolicLinksAreNotResolved) {
    const test::TempDir temp;
    const test::TempDir elsewhere;
    std::filesystem::create_directory(elsewhere.Path() / "inner");
    std::filesystem::create_directory_symlink(elsewhere.Path() / "inner", temp.Path() / "link");
    // Resolving the link first would give the other folder.
    EXPECT_EQ(CanonicalFolder(temp / "link/.."), temp.Path().string());
    EXPECT_EQ(CanonicalFolder(temp / "link/"), temp / "link");
}

TEST(CanonicalFolder, RelativePathWithoutACurrentDirectoryIsEmpty) {
    const test::TempDir temp;
    const std::filesystem::path saved = std::filesystem::current_path();
    const std::filesystem::path gone = temp.Path() / "gone";
    std::filesystem::create_directory(gone);
    std::filesystem::current_path(gone);
    std::filesystem::remove(gone);
    const std::string relative = CanonicalFolder("x");
    // Absolute paths need no current directory.
    const std::string absolute = CanonicalFolder("/a/../b");
    std::vector<std::string> files;
    CollectFiles(".", files);
    std::filesystem::current_path(saved);
    EXPECT_EQ(relative, "");
    EXPECT_TRUE(files.empty());
    EXPECT_EQ(absolute, "/b");
}

}  // namespace
}  // namespace kelvarin
