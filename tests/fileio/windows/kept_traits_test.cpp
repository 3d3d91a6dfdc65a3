// What a replacement keeps of the replaced file on Windows: its attributes
// (read-only included: the target is replaced all the same) and its
// creation time; the last-write time is the new file's.
#include <gtest/gtest.h>
#include <windows.h>

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
    const FILETIME created{0x12345678, 0x01d00000};  // in 2014: not now
    for (const DWORD kept :
         {DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN}, DWORD{FILE_ATTRIBUTE_ARCHIVE}}) {
        WriteFile(path, "old");
        const HANDLE file = CreateFileW(std::filesystem::path(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                        0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        SetFileTime(file, &created, nullptr, &created);
        CloseHandle(file);
        ASSERT_NE(SetFileAttributesW(std::filesystem::path(path).c_str(), kept), 0);
        ASSERT_TRUE(static_cast<bool>(WriteFileReplacing(path, ToBytes("new"))));
        const WIN32_FILE_ATTRIBUTE_DATA now = AttributesOf(path);
        EXPECT_EQ(now.dwFileAttributes, kept);
        EXPECT_EQ(CompareFileTime(&now.ftCreationTime, &created), 0);
        EXPECT_EQ(CompareFileTime(&now.ftLastWriteTime, &created), 1);
        EXPECT_EQ(ReadFile(path), ToBytes("new"));
        SetFileAttributesW(std::filesystem::path(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

}  // namespace
}  // namespace kelvarin::test
