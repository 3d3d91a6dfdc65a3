// Paths longer than the kernel's PATH_MAX (4096) cannot be opened in one
// call; the scan must still list them whole, and start from them. The trees
// are built and removed relative to folder descriptors for the same reason.
#include <dirent.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include "scan/collect_files.h"
#include "tests/support/temp_dir.h"

namespace kelvarin {
namespace {

using ::testing::ElementsAre;

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
constexpr int kLevels = 24;
constexpr std::size_t kNameLength = 240;

std::string LevelName(int level) {
    std::string name = "Level" + std::to_string(level) + "_";
    name.resize(kNameLength, static_cast<char>('a' + level % 26));
    return name;
}

// Empties the folder open at `fd` (taken over) at any depth.
void RemoveContents(int fd) {
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    for (const std::string& name : names) {
        const int child = ::openat(fd, name.c_str(), kFolderFlags | O_NOFOLLOW);
        if (child >= 0) {
            RemoveContents(child);
            ::unlinkat(fd, name.c_str(), AT_REMOVEDIR);
        } else {
            ::unlinkat(fd, name.c_str(), 0);
        }
    }
    ::closedir(dir);
}

// A chain of kLevels folders under a temporary folder, a file at the bottom
// and one half-way. The chain is removed before the temporary folder goes,
// whose own cleanup works on whole paths.
class LongChain {
public:
    LongChain() {
        int fd = ::open(m_temp.Path().c_str(), kFolderFlags);
        for (int level = 0; level < kLevels && fd >= 0; ++level) {
            const std::string name = LevelName(level);
            ::mkdirat(fd, name.c_str(), 0700);
            const int next = ::openat(fd, name.c_str(), kFolderFlags);
            ::close(fd);
            fd = next;
            if (level == kLevels / 2) {
                CreateFileAt(fd, "Middle.txt");
            }
        }
        CreateFileAt(fd, "Bottom.txt");
        ::close(fd);
    }
    ~LongChain() { RemoveContents(::open(m_temp.Path().c_str(), kFolderFlags)); }
    LongChain(const LongChain&) = delete;
    LongChain& operator=(const LongChain&) = delete;

    std::string Root() const { return m_temp.Path().lexically_normal().string(); }
    // Root + the first `levels` folder names.
    std::string Folder(int levels) const {
        std::string path = Root();
        for (int level = 0; level < levels; ++level) {
            path += '/' + LevelName(level);
        }
        return path;
    }

private:
    static void CreateFileAt(int folderFd, const char* name) {
        const int fd = ::openat(folderFd, name, O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0) << name;
        ::close(fd);
    }

    test::TempDir m_temp;
};

TEST(CollectFilesLongPaths, PathsBeyondPathMaxAreListedWhole) {
    const LongChain chain;
    const std::string bottom = chain.Folder(kLevels) + "/Bottom.txt";
    ASSERT_GT(bottom.size(), std::size_t{PATH_MAX});
    std::vector<std::string> files;
    CollectFiles(chain.Root(), files);
    // The middle file's folder holds it beside the next level; "L" < "M".
    EXPECT_THAT(files, ElementsAre(bottom, chain.Folder(kLevels / 2 + 1) + "/Middle.txt"));
}

TEST(CollectFilesLongPaths, ScanStartsFromAFolderBeyondPathMax) {
    const LongChain chain;
    const std::string start = chain.Folder(kLevels - 2);
    ASSERT_GT(start.size(), std::size_t{PATH_MAX});
    std::vector<std::string> files;
    CollectFiles(start + "/", files);
    EXPECT_THAT(files, ElementsAre(chain.Folder(kLevels) + "/Bottom.txt"));
}

TEST(CollectFilesLongPaths, PathOverThreeThousandBytesBelowPathMax) {
    const LongChain chain;
    const std::string start = chain.Folder(kLevels / 2 + 1);
    const std::string middle = start + "/Middle.txt";
    ASSERT_GT(middle.size(), 3000u);
    ASSERT_LT(middle.size(), std::size_t{PATH_MAX});
    std::vector<std::string> files;
    CollectFiles(start, files);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[1], middle);
}

TEST(CollectFilesLongPaths, RelativeStartInsideACurrentDirectoryBeyondPathMax) {
    const LongChain chain;
    const int saved = ::open(".", kFolderFlags);
    ASSERT_GE(saved, 0);
    // Walk down by descriptor: the folder's path is too long for chdir().
    int fd = ::open(chain.Root().c_str(), kFolderFlags);
    for (int level = 0; level < kLevels - 1 && fd >= 0; ++level) {
        const int next = ::openat(fd, LevelName(level).c_str(), kFolderFlags);
        ::close(fd);
        fd = next;
    }
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::fchdir(fd), 0);
    ::close(fd);
    std::vector<std::string> files;
    CollectFiles("./" + LevelName(kLevels - 1) + "/", files);
    ::fchdir(saved);
    ::close(saved);
    EXPECT_THAT(files, ElementsAre(chain.Folder(kLevels) + "/Bottom.txt"));
}

// Restores the open-file limit that a test lowered.
class OpenFileLimitScope {
public:
    explicit OpenFileLimitScope(rlim_t softLimit) {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        rlimit lowered = m_saved;
        lowered.rlim_cur = softLimit;
        m_ok = ::setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~OpenFileLimitScope() { ::setrlimit(RLIMIT_NOFILE, &m_saved); }
    OpenFileLimitScope(const OpenFileLimitScope&) = delete;
    OpenFileLimitScope& operator=(const OpenFileLimitScope&) = delete;
    bool Ok() const { return m_ok; }

private:
    rlimit m_saved{};
    bool m_ok = false;
};

TEST(CollectFilesUnlistable, FolderThatCannotBeOpenedContributesNothingAndScanGoesOn) {
    // Permissions do not stop root, so the folders are made unlistable by
    // leaving the scan a single free descriptor: the start folder gets it
    // and every sub-folder fails to open.
    const test::TempDir temp;
    test::WriteFile(temp.Path() / "a/inside", "x");
    test::WriteFile(temp.Path() / "b", "x");
    test::WriteFile(temp.Path() / "c/inside", "x");
    const std::string root = temp.Path().lexically_normal().string();
    std::vector<std::string> files = {"kept"};

    const int lowestFree = ::dup(0);
    ASSERT_GE(lowestFree, 0);
    ::close(lowestFree);
    {
        const OpenFileLimitScope limit(static_cast<rlim_t>(lowestFree) + 1);
        ASSERT_TRUE(limit.Ok());
        CollectFiles(root, files);
    }
    EXPECT_THAT(files, ElementsAre("kept", root + "/b"));
}

}  // namespace
}  // namespace kelvarin
