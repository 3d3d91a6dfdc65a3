// Path text, folders on disk and what the system says about a path: the
// lexical rules against plain tables, the nesting check on a real tree with
// links.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>
#include <vector>

#include "fileio/file_status.h"
#include "fileio/folders.h"
#include "fileio/paths.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_dir.h"

namespace kelvarin::test {
namespace {

namespace fs = std::filesystem;

TEST(Paths, SameOrBelowComparesWholeComponents) {
    // path, folder, same or below, the relative part ("-": none)
    const std::tuple<const char*, const char*, bool, const char*> kRows[] = {
#ifdef _WIN32
        {"C:\\a\\b", "c:\\A\\B", true, "-"},
        {"C:\\a\\b\\c\\d", "C:\\a\\b", true, "c\\d"},
        {"C:\\a\\bc", "C:\\a\\b", false, "-"},
        {"C:\\x", "c:\\", true, "x"},
        {"\\\\S\\sh\\x", "\\\\s\\SH\\", true, "x"},
        {"D:\\a\\b", "C:\\a", false, "-"},
        {"C:\\\xc3\xa9\\x", "C:\\\xc3\x89", true, "x"},  // é and É
#else
        {"/a/b", "/a/b", true, "-"},
        {"/a/b/c/d", "/a/b", true, "c/d"},
        {"/a/bc", "/a/b", false, "-"},
        {"/a/b", "/a/bc", false, "-"},
        {"/x", "/", true, "x"},
        {"/", "/", true, "-"},
        {"/a/b", "", false, "-"},
        {"/A/b/c", "/a/b", false, "-"}
#endif
    };
    for (const auto& [path, folder, below, relative] : kRows) {
        EXPECT_EQ(IsSameOrBelowFolder(path, folder), below) << path << " in " << folder;
        EXPECT_EQ(RelativeToFolder(path, folder).value_or("-"), relative)
            << path << " in " << folder;
    }
}

TEST(Paths, CanonicalFolderResolvesDotsAndSeparatorsTextuallyKeepingCase) {
    const std::string cwd = CanonicalFolder(".");
    EXPECT_EQ(cwd, CurrentDirectory());
    // One input and its canonical form a line.
    // clang-format off
    const std::string kRows[] = {
#ifdef _WIN32
        "c:/Srv//Upd/", "C:\\Srv\\Upd",
        "C:\\a\\.\\b\\..\\c", "C:\\a\\c",
        "C:\\..\\x", "C:\\x",
        "c:\\", "C:\\",
        "\\\\Srv\\Sh\\Upd\\", "\\\\Srv\\Sh\\Upd",
        "//Srv/Sh/..", "\\\\Srv\\Sh\\",
        "\\\\?\\c:\\Upd", "C:\\Upd",
        "\\\\?\\UNC\\s\\h\\U", "\\\\s\\h\\U",
        "\\Upd", cwd.substr(0, 3) + "Upd",
        cwd.substr(0, 2) + "Upd", cwd + "\\Upd",
        "x/./y/../z", cwd + "\\x\\z",
#else
        "/srv/Upd/", "/srv/Upd",  "//srv///Upd//", "/srv/Upd", "/a/./b/../c", "/a/c",
        "/../../x",  "/x",        "/a/..",         "/",        "///",         "/",
        "/a/.h/...", "/a/.h/...", "/N/D\\O",       "/N/D\\O",  "x/./y/../z",  cwd + "/x/z",
#endif
        "", cwd};
    // clang-format on
    for (std::size_t i = 0; i < std::size(kRows); i += 2) {
        EXPECT_EQ(CanonicalFolder(kRows[i]), kRows[i + 1]) << kRows[i];
    }
}

TEST(Paths, PartsOfAPath) {
    // path, RootPrefix, DirectoryPart, FileNamePart, ParentFolder
    const std::tuple<const char*, const char*, const char*, const char*, const char*> kRows[] = {
#ifdef _WIN32
        {"C:\\r\\b.aup", "C:\\r\\b.aup\\", "C:\\r\\", "b.aup", "C:\\r"},
        {"C:\\r", "C:\\r\\", "C:\\", "r", "C:\\"},
        {"C:\\", "C:\\", "C:\\", "", "C:\\"},
        {"\\\\s\\h\\r", "\\\\s\\h\\r\\", "\\\\s\\h\\", "r", "\\\\s\\h\\"},
        {"\\\\s\\h\\", "\\\\s\\h\\", "\\\\s\\h\\", "", "\\\\s\\h\\"},
        {"name", "name\\", "", "name", ""}};
#else
        {"/r/a/b.aup", "/r/a/b.aup/", "/r/a/", "b.aup", "/r/a"},
        {"/r", "/r/", "/", "r", "/"},
        {"/", "/", "/", "", "/"},
        {"name", "name/", "", "name", ""}};
#endif
    for (const auto& [path, prefix, directory, name, parent] : kRows) {
        EXPECT_EQ(RootPrefix(path), prefix) << path;
        EXPECT_EQ(DirectoryPart(path), directory) << path;
        EXPECT_EQ(FileNamePart(path), name) << path;
        EXPECT_EQ(ParentFolder(path), parent) << path;
        EXPECT_EQ(IsTopFolder(path), parent == std::string_view(path)) << path;
        EXPECT_EQ(IsAbsolutePath(path), std::string_view(path) != "name") << path;
    }
}

TEST(Folders, LiesInsideAsSpelledOrThroughLinks) {
    const TempDir temp;
    WriteFile(temp / "src/Inner/f", "x");
    fs::create_directories(temp.Path() / "root");
    // inner, outer, lies inside
    std::vector<std::tuple<std::string, std::string, bool>> rows = {
        {temp / "src", temp / "src", true},
        {temp / "src/Inner", temp / "src", true},
        {temp / "src", temp / "src/Inner", false},
        {temp / "root", temp / "src", false},
        {temp / "src", temp / "root", false},
        {temp / "srcX", temp / "src", false},
        {temp / "SRC/inner", temp / "src", SamePathText("a", "A")},
        {temp / "no/such/a/b", temp / "no/such/a", true},
        {temp / "no/such/ab", temp / "no/such/a", false},
        {"", temp.Path().string(), false}};
    const bool links = MakeLink(temp.Path() / "src", temp.Path() / "link", true) &&
                       MakeLink(temp.Path(), temp.Path() / "src/up", true);
    if (links) {
        rows.insert(rows.end(), {{temp / "link", temp / "src", true},
                                 {temp / "src/Inner", temp / "link", true},
                                 {temp / "src", temp / "src/up", true}});
    }
    for (const auto& [inner, outer, inside] : rows) {
        EXPECT_EQ(LiesInside(inner, outer), inside) << inner << " in " << outer;
    }
    if (!links) {
        GTEST_SKIP() << kNoLinks;
    }
}

TEST(Folders, MakeDirectoriesCreatesTheChainAndPassesOverFailures) {
    TempDir dir;
    EXPECT_EQ(MakeDirectories(dir / "a/\xe4\xb8\xad\xe6\x96\x87/c/"), 1);  // names are UTF-8
    EXPECT_EQ(WhyNotAFolder(dir / "a/\xe4\xb8\xad\xe6\x96\x87/c"), "");
    EXPECT_EQ(ListFolder(dir / "a"), std::vector<std::string>{"\xe4\xb8\xad\xe6\x96\x87"});
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
    EXPECT_EQ(OwnStatusOf(temp / "f").kind, FileKind::kRegular);
    EXPECT_EQ(StatusOf(temp.Path().string()).kind, FileKind::kFolder);
    EXPECT_NE(StatusOf(temp / "f").inode, StatusOf(temp.Path().string()).inode);
    EXPECT_EQ(StatusOf(temp / "missing").error, ENOENT);
    EXPECT_EQ(RegularFileSize(temp.Path().string()), std::nullopt);
    const std::string resolved = ResolvedPath(temp / "f");
    EXPECT_EQ(CanonicalFolder(resolved), resolved);  // in the form paths are kept in
    EXPECT_EQ(ResolvedPath(temp / "missing"), "");
    if (!MakeLink(temp.Path() / "f", temp.Path() / "l") ||
        !MakeLink("nowhere", temp.Path() / "dangling")) {
        GTEST_SKIP() << kNoLinks;
    }
    EXPECT_EQ(StatusOf(temp / "l").kind, FileKind::kRegular);
    EXPECT_EQ(OwnStatusOf(temp / "l").kind, FileKind::kLink);
    EXPECT_EQ(StatusOf(temp / "dangling").error, ENOENT);
    EXPECT_EQ(RegularFileSize(temp / "l"), 4u);
    EXPECT_EQ(FileSize(temp / "dangling"), 0u);
    EXPECT_EQ(ResolvedPath(temp / "l"), resolved);
    EXPECT_EQ(ResolvedPath(temp / "dangling"), "");
}

}  // namespace
}  // namespace kelvarin::test
