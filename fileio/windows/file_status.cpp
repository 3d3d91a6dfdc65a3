// The Windows answers behind FileStatus: one handle opened for its
// attributes, GetFileInformationByHandle for kind, size and identity (the
// volume serial and the 64-bit file index, since the C run time's st_ino is
// always 0), GetFinalPathNameByHandleW for the resolved path.
#include <cerrno>
#include <cstdint>

#include "fileio/file_status.h"
#include "fileio/paths.h"
#include "fileio/windows/win32_file.h"
#include "fileio/windows/win32_text.h"

namespace kelvarin {

namespace {

FileStatus StatusThrough(const std::string& path, bool ownStatus) {
    FileStatus status;
    const OwnedHandle handle = OpenPath(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING,
                                        ownStatus ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    if (handle.IsOpen() && GetFileType(handle.Get()) != FILE_TYPE_DISK) {
        status.kind = FileKind::kOther;  // a device or a pipe
        return status;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!handle.IsOpen() || !InformationOf(handle.Get(), info)) {
        status.error = errno;
        return status;
    }
    const DWORD attributes = info.dwFileAttributes;
    if (ownStatus && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
        IsLinkReparsePoint(handle.Get())) {
        status.kind = FileKind::kLink;
    } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        status.kind = FileKind::kFolder;
    } else {
        status.kind = FileKind::kRegular;
    }
    status.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    status.device = info.dwVolumeSerialNumber;
    status.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return status;
}

// "C:\x" for "\\?\C:\x" and "\\server\share" for "\\?\UNC\server\share":
// the form a user types and the rest of the program compares.
std::wstring WithoutLongPrefix(std::wstring path) {
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        return L"\\\\" + path.substr(8);
    }
    return path.rfind(L"\\\\?\\", 0) == 0 ? path.substr(4) : path;
}

}  // namespace

FileStatus StatusOf(const std::string& path) {
    return StatusThrough(path, false);
}

FileStatus OwnStatusOf(const std::string& path) {
    return StatusThrough(path, true);
}

std::string ResolvedPath(const std::string& path) {
    const OwnedHandle handle = OpenPath(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING);
    if (!handle.IsOpen()) {
        return {};
    }
    constexpr DWORD kForm = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
    std::wstring resolved(MAX_PATH, L'\0');
    DWORD size = GetFinalPathNameByHandleW(handle.Get(), resolved.data(),
                                           static_cast<DWORD>(resolved.size()), kForm);
    if (size >= resolved.size()) {  // too small: size is what it needs
        resolved.resize(size);
        size = GetFinalPathNameByHandleW(handle.Get(), resolved.data(),
                                         static_cast<DWORD>(resolved.size()), kForm);
    }
    if (size == 0 || size >= resolved.size()) {
        return {};
    }
    resolved.resize(size);
    return Utf8Of(WithoutLongPrefix(std::move(resolved)));
}

std::size_t NameLimitOf(const std::string& folder) {
    std::wstring volume(MAX_PATH + 1, L'\0');
    DWORD limit = 0;
    if (GetVolumePathNameW(WidePath(folder).c_str(), volume.data(),
                           static_cast<DWORD>(volume.size())) != 0 &&
        GetVolumeInformationW(volume.c_str(), nullptr, 0, nullptr, &limit, nullptr, nullptr, 0) !=
            0 &&
        limit > 0) {
        return limit;
    }
    return 255;  // what NTFS, FAT32 and exFAT take
}

std::string CurrentDirectory() {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    std::wstring cwd(size, L'\0');
    if (size == 0 || GetCurrentDirectoryW(size, cwd.data()) != size - 1) {
        return {};
    }
    cwd.resize(size - 1);
    const std::string current = Utf8Of(WithoutLongPrefix(std::move(cwd)));
    return IsAbsolutePath(current) ? current : std::string();
}

}  // namespace kelvarin
