// The tree scan on real folders: what is listed, in which order, under
// which spelling, and what is left out (folders, unlistable folders, folders
// reached a second time through links).
#include "scan/collect_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace kelvarin {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

using Paths = std::vector<std::string>;

std::vector<std::string> Collect(const std::string& folder) {
    std::vector<std::string> files;
    CollectFiles(folder, files);
    return files;
}

// The folder's absolute path as the scan must spell it.
std::string Spelled(const test::TempDir& temp) {
    std::string path = temp.Path().lexically_normal().string();
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

void Touch(const test::TempDir& temp, const std::string& relative) {
    test::WriteFile(temp.Path() / relative, relative);
}

// Runs a test body in another current directory, restoring it afterwards.
class CurrentDirectoryScope {
public:
    explicit CurrentDirectoryScope(const fs::path& folder) : m_saved(fs::current_path()) {
        fs::current_path(folder);
    }
    ~CurrentDirectoryScope() { fs::current_path(m_saved); }
    CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
    CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;

private:
    fs::path m_saved;
};

TEST(CollectFiles, EmptyFolderAppendsNothing) {
    const test::TempDir temp;
    EXPECT_THAT(Collect(temp.Path().string()), IsEmpty());
}

TEST(CollectFiles, MissingFolderAppendsNothingAndKeepsTheList) {
    const test::TempDir temp;
    std::vector<std::string> files = {"kept"};
    CollectFiles(temp / "missing", files);
    CollectFiles(temp / "missing/deeper/", files);
    EXPECT_THAT(files, ElementsAre("kept"));
}

TEST(CollectFiles, FileGivenAsFolderAppendsNothing) {
    const test::TempDir temp;
    Touch(temp, "plain.txt");
    EXPECT_THAT(Collect(temp / "plain.txt"), IsEmpty());
}

TEST(CollectFiles, EmptyPathNamesNoFolder) {
    const test::TempDir temp;
    Touch(temp, "would-be-found");
    const CurrentDirectoryScope scope(temp.Path());
    EXPECT_THAT(Collect(""), IsEmpty());
}

TEST(CollectFiles, FoldersThemselvesAreNotListed) {
    const test::TempDir temp;
    fs::create_directories(temp.Path() / "empty/also-empty");
    Touch(temp, "sub/file");
    EXPECT_THAT(Collect(temp.Path().string()), ElementsAre(Spelled(temp) + "/sub/file"));
}

TEST(CollectFiles, SameTreeThroughEverySpellingOfItsPath) {
    const test::TempDir temp;
    Touch(temp, "Tree/Data/A.TXT");
    Touch(temp, "Tree/b.bin");
    const std::string tree = Spelled(temp) + "/Tree";
    const Paths expected = {tree + "/b.bin", tree + "/Data/A.TXT"};

    EXPECT_EQ(Collect(tree), expected);
    EXPECT_EQ(Collect(tree + "/"), expected);
    EXPECT_EQ(Collect(tree + "//"), expected);
    EXPECT_EQ(Collect(Spelled(temp) + "//Tree"), expected);
    EXPECT_EQ(Collect(Spelled(temp) + "/./Tree/../Tree/."), expected);

    const CurrentDirectoryScope scope(temp.Path());
    EXPECT_EQ(Collect("Tree"), expected);
    EXPECT_EQ(Collect("Tree/"), expected);
    EXPECT_EQ(Collect("./Tree/../Tree"), expected);
    EXPECT_EQ(Collect(".//Tree//"), expected);
    const CurrentDirectoryScope inside(temp.Path() / "Tree/Data");
    EXPECT_EQ(Collect(".."), expected);
}

TEST(CollectFiles, DottedFolderIsEnteredAndDotlessFileListed) {
    const test::TempDir temp;
    Touch(temp, "lib.old/README");
    EXPECT_THAT(Collect(temp.Path().string()), ElementsAre(Spelled(temp) + "/lib.old/README"));
}

TEST(CollectFiles, FiveLevelsDeepKeepsEveryFolderName) {
    const test::TempDir temp;
    Touch(temp, "One/two/Three/four/FIVE/deep.dat");
    EXPECT_THAT(Collect(temp.Path().string()),
                ElementsAre(Spelled(temp) + "/One/two/Three/four/FIVE/deep.dat"));
}

TEST(CollectFiles, TwoCallsAppendInOrder) {
    const test::TempDir first;
    const test::TempDir second;
    Touch(first, "b");
    Touch(first, "a");
    Touch(second, "z");
    Touch(second, "c");
    std::vector<std::string> files = {"before"};
    CollectFiles(first.Path().string(), files);
    CollectFiles(second.Path().string(), files);
    EXPECT_THAT(files, ElementsAre("before", Spelled(first) + "/a", Spelled(first) + "/b",
                                   Spelled(second) + "/c", Spelled(second) + "/z"));
}

TEST(CollectFiles, HiddenFilesAndFoldersAreListed) {
    const test::TempDir temp;
    Touch(temp, ".hidden");
    Touch(temp, ".config/settings");
    Touch(temp, "visible");
    EXPECT_THAT(Collect(temp.Path().string()),
                ElementsAre(Spelled(temp) + "/.config/settings", Spelled(temp) + "/.hidden",
                            Spelled(temp) + "/visible"));
}

TEST(CollectFiles, MixedCaseNamesInNtfsOrder) {
    const test::TempDir temp;
    for (const char* name : {"a", "B", "_x", "b", "A", "Zed", "[1]", "a.txt", "ab"}) {
        Touch(temp, name);
    }
    const std::string root = Spelled(temp);
    EXPECT_THAT(Collect(root),
                ElementsAre(root + "/A", root + "/a", root + "/a.txt", root + "/ab", root + "/B",
                            root + "/b", root + "/Zed", root + "/[1]", root + "/_x"));
}

TEST(CollectFiles, SubFolderFilesStandWhereTheFolderStands) {
    const test::TempDir temp;
    Touch(temp, "a.txt");
    Touch(temp, "B/inner2");
    Touch(temp, "B/Inner1");
    Touch(temp, "c.txt");
    Touch(temp, "_last/x");
    const std::string root = Spelled(temp);
    EXPECT_THAT(Collect(root), ElementsAre(root + "/a.txt", root + "/B/Inner1", root + "/B/inner2",
                                           root + "/c.txt", root + "/_last/x"));
}

TEST(CollectFiles, FilesOfEveryKindAreListed) {
    const test::TempDir temp;
    Touch(temp, "target");
    ASSERT_EQ(::mkfifo((temp / "fifo").c_str(), 0600), 0);
    fs::create_symlink(temp.Path() / "target", temp.Path() / "link-to-file");
    fs::create_symlink(temp.Path() / "nowhere", temp.Path() / "dangling");
    fs::create_symlink("self", temp.Path() / "self");  // resolves to nothing
    const std::string root = Spelled(temp);
    EXPECT_THAT(Collect(root),
                ElementsAre(root + "/dangling", root + "/fifo", root + "/link-to-file",
                            root + "/self", root + "/target"));
}

TEST(CollectFiles, LinkToAFolderIsFollowedUnderItsOwnName) {
    const test::TempDir temp;
    const test::TempDir elsewhere;
    Touch(elsewhere, "Outside/file");
    Touch(temp, "own");
    fs::create_directory_symlink(elsewhere.Path() / "Outside", temp.Path() / "Linked");
    const std::string root = Spelled(temp);
    EXPECT_THAT(Collect(root), ElementsAre(root + "/Linked/file", root + "/own"));
}

TEST(CollectFiles, LinkLoopEndsAndListsEachFileOnce) {
    const test::TempDir temp;
    Touch(temp, "a/f");
    Touch(temp, "a/b/g");
    fs::create_directory_symlink(temp.Path(), temp.Path() / "a/b/up");
    fs::create_directory_symlink("..", temp.Path() / "a/parent");
    fs::create_directory_symlink(".", temp.Path() / "a/b/here");
    const std::string root = Spelled(temp);
    EXPECT_THAT(Collect(root), ElementsAre(root + "/a/b/g", root + "/a/f"));
}

TEST(CollectFiles, FolderReachedTwiceIsEnteredOnlyTheFirstTime) {
    const test::TempDir temp;
    Touch(temp, "Real/file");
    // "0link" sorts before "Real": the folder is entered through the link
    // and its real path is then skipped; "Zlink" comes last and is skipped.
    fs::create_directory_symlink(temp.Path() / "Real", temp.Path() / "0link");
    fs::create_directory_symlink("Real", temp.Path() / "Zlink");
    const std::string root = Spelled(temp);
    EXPECT_THAT(Collect(root), ElementsAre(root + "/0link/file"));
}

TEST(CollectFiles, LinkedFolderOfAnEarlierCallIsEnteredAgain) {
    // "already entered" counts within one call only.
    const test::TempDir temp;
    Touch(temp, "Real/file");
    fs::create_directory_symlink(temp.Path() / "Real", temp.Path() / "Link");
    std::vector<std::string> files;
    CollectFiles(temp / "Real", files);
    CollectFiles(temp / "Link", files);
    EXPECT_THAT(files, ElementsAre(Spelled(temp) + "/Real/file", Spelled(temp) + "/Link/file"));
}

TEST(CollectFiles, StartingAtALinkKeepsTheLinkInThePath) {
    const test::TempDir temp;
    Touch(temp, "Real/file");
    fs::create_directory_symlink(temp.Path() / "Real", temp.Path() / "Link");
    EXPECT_THAT(Collect(temp / "Link/"), ElementsAre(Spelled(temp) + "/Link/file"));
}

TEST(CollectFiles, SocketIsListed) {
    const test::TempDir temp;
    const std::string path = temp / "sock";
    sockaddr_un address{};
    ASSERT_LT(path.size(), sizeof(address.sun_path));
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
    EXPECT_THAT(Collect(temp.Path().string()), ElementsAre(Spelled(temp) + "/sock"));
}

}  // namespace
}  // namespace kelvarin
