// What only Windows has: a replacement keeps the replaced file's attributes
// (read-only included: the target is replaced all the same; archive is set,
// as on any changed file) and its creation time, the last-write time being
// the new file's; and a file another program holds without sharing it.
#include <gtest/gtest.h>
#include <windows.h>

#include "fileio/file_reader.h"
#include "fileio/replace_file.h"
#include "tests/support/temp_dir.h"

namespace kelvarin::test {
namespace {

WIN32_FILE_ATTRIBUTE_DATA AttributesOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(std::filesystem::path(path).c_str(), GetFileExInfoStandard, &data);
    return data;
}

TEST(WriteFileReplacing, KeepsTheReplacedFilesAttributesAndCreationTime) {
    TempDir dir;
    const std::string path = dir / "a.aup";
    const FILETIME created{0x12345678, 0x01d00000};  // in 2014
    const FILETIME written{0, 0x01c00000};           // in 2001
    bool keepsCreation = true;
    for (const DWORD kept :
         {DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN}, DWORD{FILE_ATTRIBUTE_ARCHIVE}}) {
        WriteFile(path, "old");
        const HANDLE file = CreateFileW(std::filesystem::path(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                        0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        SetFileTime(file, &created, nullptr, &written);
        CloseHandle(file);
        ASSERT_NE(SetFileAttributesW(std::filesystem::path(path).c_str(), kept), 0);
        const WIN32_FILE_ATTRIBUTE_DATA old = AttributesOf(path);
        keepsCreation = CompareFileTime(&old.ftCreationTime, &created) == 0;
        ASSERT_TRUE(static_cast<bool>(WriteFileReplacing(path, ToBytes("new"))));
        const WIN32_FILE_ATTRIBUTE_DATA now = AttributesOf(path);
        EXPECT_EQ(now.dwFileAttributes, kept | FILE_ATTRIBUTE_ARCHIVE);
        EXPECT_TRUE(!keepsCreation || CompareFileTime(&now.ftCreationTime, &created) == 0);
        EXPECT_EQ(CompareFileTime(&now.ftLastWriteTime, &created), 1);  // not 2001
        EXPECT_EQ(ReadFile(path), ToBytes("new"));
        SetFileAttributesW(std::filesystem::path(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    if (!keepsCreation) {
        GTEST_SKIP() << "creation times are checked only where the file system keeps one set "
                        "(Wine does not)";
    }
}

// Held open without sharing, a file cannot be read, replaced or removed;
// each says why, and the file stays as it is.
TEST(ReadWholeFile, AFileHeldWithoutSharingIsNamedBusy) {
    TempDir dir;
    WriteFile(dir / "held", "old");
    const HANDLE held = CreateFileW(PathOf(dir / "held").c_str(), GENERIC_READ, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Bytes read;
    EXPECT_EQ(ReadWholeFile(dir / "held", read, SIZE_MAX).error, EBUSY);
    EXPECT_FALSE(WriteFileReplacing(dir / "held", ToBytes("new")));
    EXPECT_FALSE(RemoveRegularFile(dir / "held"));
    CloseHandle(held);
    EXPECT_EQ(ReadFile(dir / "held"), ToBytes("old"));
    EXPECT_EQ(ListFolder(dir.Path()), std::vector<std::string>{"held"});
}

}  // namespace
}  // namespace kelvarin::test
