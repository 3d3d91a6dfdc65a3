// Path text, folders on disk and what the system says about a path: the
// lexical rules against plain tables, the nesting check on a real tree with
// links.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "fileio/file_status.h"
#include "fileio/folders.h"
#include "fileio/paths.h"
#include "tests/support/temp_dir.h"

namespace kelvarin::test {
namespace {

namespace fs = std::filesystem;

TEST(Paths, SameOrBelowComparesWholeComponents) {
    // path, folder, same or below, the relative part ("-": none)
    const std::tuple<const char*, const char*, bool, const char*> kRows[] = {
        {"/a/b", "/a/b", true, "-"},   {"/a/b/c/d", "/a/b", true, "c/d"},
        {"/a/bc", "/a/b", false, "-"}, {"/a/b", "/a/bc", false, "-"},
        {"/x", "/", true, "x"},        {"/", "/", true, "-"},
        {"/a/b", "", false, "-"},      {"/A/b/c", "/a/b", false, "-"}};
    for (const auto& [path, folder, below, relative] : kRows) {
        EXPECT_EQ(IsSameOrBelowFolder(path, folder), below) << path << " in " << folder;
        EXPECT_EQ(RelativeToFolder(path, folder).value_or("-"), relative)
            << path << " in " << folder;
    }
}

TEST(Paths, CanonicalFolderResolvesDotsAndSeparatorsTextuallyKeepingCase) {
    const std::string cwd = CanonicalFolder(".");
    EXPECT_EQ(cwd, CurrentDirectory());
    const std::string kRows[] = {
        "/srv/Upd/", "/srv/Upd",  "//srv///Upd//", "/srv/Upd", "/a/./b/../c", "/a/c",
        "/../../x",  "/x",        "/a/..",         "/",        "///",         "/",
        "/a/.h/...", "/a/.h/...", "/N/D\\O",       "/N/D\\O",  "x/./y/../z",  cwd + "/x/z",
        "",          cwd};  // input, canonical
    for (std::size_t i = 0; i < std::size(kRows); i += 2) {
        EXPECT_EQ(CanonicalFolder(kRows[i]), kRows[i + 1]) << kRows[i];
    }
}

TEST(Paths, PartsOfAPath) {
    // path, RootPrefix, DirectoryPart, FileNamePart, ParentFolder
    const std::tuple<const char*, const char*, const char*, const char*, const char*> kRows[] = {
        {"/r/a/b.aup", "/r/a/b.aup/", "/r/a/", "b.aup", "/r/a"},
        {"/r", "/r/", "/", "r", "/"},
        {"/", "/", "/", "", "/"},
        {"name", "name/", "", "name", ""}};
    for (const auto& [path, prefix, directory, name, parent] : kRows) {
        EXPECT_EQ(RootPrefix(path), prefix) << path;
        EXPECT_EQ(DirectoryPart(path), directory) << path;
        EXPECT_EQ(FileNamePart(path), name) << path;
        EXPECT_EQ(ParentFolder(path), parent) << path;
    }
}

TEST(Folders, LiesInsideAsSpelledOrThroughLinks) {
    const TempDir temp;
    const std::string t = CanonicalFolder(temp.Path().string());
    WriteFile(temp / "src/Inner/f", "x");
    fs::create_directories(temp.Path() / "root");
    fs::create_directory_symlink(temp.Path() / "src", temp.Path() / "link");
    fs::create_directory_symlink(temp.Path(), temp.Path() / "src/up");
    // inner, outer, lies inside
    const std::tuple<std::string, std::string, bool> kRows[] = {
        {t + "/src", t + "/src", true},        {t + "/src/Inner", t + "/src", true},
        {t + "/src", t + "/src/Inner", false}, {t + "/root", t + "/src", false},
        {t + "/src", t + "/root", false},      {t + "/link", t + "/src", true},
        {t + "/src/Inner", t + "/link", true}, {t + "/src", t + "/src/up", true},
        {t + "/srcX", t + "/src", false},      {"/no/such/a/b", "/no/such/a", true},
        {"/no/such/ab", "/no/such/a", false},  {"", "/", false}};
    for (const auto& [inner, outer, inside] : kRows) {
        EXPECT_EQ(LiesInside(inner, outer), inside) << inner << " in " << outer;
    }
}

TEST(Folders, MakeDirectoriesCreatesTheChainAndPassesOverFailures) {
    TempDir dir;
    EXPECT_EQ(MakeDirectories(dir / "a/b/c/"), 1);
    EXPECT_EQ(WhyNotAFolder(dir / "a/b/c"), "");
    WriteFile(dir / "f", "x");
    EXPECT_EQ(MakeDirectories(dir / "f/g"), 1);
    EXPECT_EQ(WhyNotAFolder(dir / "f"), "is a file, not a folder");
    EXPECT_EQ(WhyNotAFolder(dir / "f/g"), "does not exist");
    EXPECT_EQ(WhyNotAFolder(""), "does not exist");
    EXPECT_EQ(RootFolderProblem(""), "No root folder is set; choose the root folder first.");
    EXPECT_EQ(RootFolderProblem(dir / "f"),
              "The root folder " + (dir / "f") + " is a file, not a folder.");
}

TEST(FileStatus, KindsSizesAndResolvedPaths) {
    const TempDir temp;
    WriteFile(temp.Path() / "f", "four");
    fs::create_symlink(temp.Path() / "f", temp.Path() / "l");
    fs::create_symlink("nowhere", temp.Path() / "dangling");
    EXPECT_EQ(StatusOf(temp / "l").kind, FileKind::kRegular);
    EXPECT_EQ(OwnStatusOf(temp / "l").kind, FileKind::kLink);
    EXPECT_EQ(StatusOf(temp.Path().string()).kind, FileKind::kFolder);
    EXPECT_EQ(StatusOf(temp / "dangling").error, ENOENT);
    EXPECT_EQ(RegularFileSize(temp / "l"), 4u);
    EXPECT_EQ(RegularFileSize(temp.Path().string()), std::nullopt);
    EXPECT_EQ(FileSize(temp / "dangling"), 0u);
    EXPECT_EQ(ResolvedPath(temp / "l"), ResolvedPath(temp / "f"));
    EXPECT_EQ(ResolvedPath(temp / "dangling"), "");
}

}  // namespace
}  // namespace kelvarin::test
