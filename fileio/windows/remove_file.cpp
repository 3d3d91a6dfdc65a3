// The removal opens each folder on the way without following a reparse
// point (FILE_FLAG_OPEN_REPARSE_POINT) and keeps it open, so that the next
// one is asked about below a folder that really is one; the file itself is
// opened the same way and removed through its own handle, so the file that
// was checked is the file that goes.
#include <cerrno>
#include <cstring>
#include <vector>

#include "fileio/paths.h"
#include "fileio/remove_file.h"
#include "fileio/windows/win32_file.h"
#include "fileio/windows/win32_text.h"

namespace kelvarin {

namespace {

constexpr DWORD kNotFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;

// Removes the file open at `handle` (with DELETE access), clearing a
// read-only attribute first as POSIX would not ask about it.
std::string RemoveOpenFile(HANDLE handle, DWORD attributes) {
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        FILE_BASIC_INFO basic{};
        const DWORD rest = attributes & ~FILE_ATTRIBUTE_READONLY;
        basic.FileAttributes = rest != 0 ? rest : FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic);
    }
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    if (SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) ==
        0) {
        const int error = LastErrno();
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = attributes;  // left as it was found
        SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic);
        return std::strerror(error);
    }
    return {};
}

}  // namespace

std::string RemoveRegularFileBelow(const std::string& root, std::string_view relative) {
    std::vector<OwnedHandle> folders;  // held open down to the file
    folders.push_back(OpenPath(root, FILE_READ_ATTRIBUTES, OPEN_EXISTING));
    std::string path = RootPrefix(root);
    std::size_t start = 0;
    for (std::size_t end = 0; folders.back().IsOpen(); start = end + 1) {
        end = start;
        while (end < relative.size() && !IsSeparator(relative[end])) {
            ++end;
        }
        if (end == relative.size()) {
            break;
        }
        path += std::string(relative.substr(start, end - start));
        folders.push_back(
            OpenPath(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT));
        BY_HANDLE_FILE_INFORMATION info{};
        if (folders.back().IsOpen() && InformationOf(folders.back().Get(), info)) {
            if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                return "lies behind the link " + std::string(relative.substr(0, end));
            }
            if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                return std::strerror(ENOTDIR);
            }
        }
        path += kSeparator;
    }
    if (!folders.back().IsOpen()) {
        return std::strerror(errno);
    }
    const OwnedHandle file = OpenPath(path + std::string(relative.substr(start)),
                                      DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file.IsOpen() || !InformationOf(file.Get(), info)) {
        return std::strerror(errno);
    }
    if ((info.dwFileAttributes & kNotFile) != 0 || GetFileType(file.Get()) != FILE_TYPE_DISK) {
        return "is not a regular file";
    }
    return RemoveOpenFile(file.Get(), info.dwFileAttributes);
}

}  // namespace kelvarin
