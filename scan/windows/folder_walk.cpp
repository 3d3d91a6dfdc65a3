// The scan's system calls on Windows. Folders are listed by path with
// FindFirstFileExW ("\\?\" paths, so any length works) and known by volume
// serial number and file index, since the CRT's st_ino is always 0. A
// symbolic link or junction is a link, as a symbolic link is on POSIX: it
// is followed, counted, and its target's id stops loops.
#include "scan/folder_walk.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>

#include "fileio/paths.h"
#include "fileio/windows/win32_text.h"

namespace kelvarin {

namespace {

// Closes a handle on every way out.
class Handle {
public:
    explicit Handle(HANDLE handle, BOOL (*close)(HANDLE) = ::CloseHandle)
        : m_handle(handle), m_close(close) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (m_handle != INVALID_HANDLE_VALUE) {
            m_close(m_handle);
        }
    }
    HANDLE get() const { return m_handle; }

private:
    HANDLE m_handle;
    BOOL (*m_close)(HANDLE);
};

// What `path` names, links followed: its id and attributes.
std::optional<BY_HANDLE_FILE_INFORMATION> InformationOf(const std::string& path, int& error) {
    // Asking needs no access to the content; others may go on writing,
    // renaming and removing meanwhile.
    const Handle file(CreateFileW(WidePath(path).c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (file.get() == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(file.get(), &info)) {
        error = LastErrno();
        return std::nullopt;
    }
    return info;
}

FolderId IdOf(const BY_HANDLE_FILE_INFORMATION& info) {
    return {info.dwVolumeSerialNumber,
            (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// Symbolic links and junctions; other reparse points (deduplicated or
// cloud files) are the files and folders they stand for.
bool IsLink(const WIN32_FIND_DATAW& found) {
    return (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           (found.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
            found.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
}

// A link is a folder when what it leads to is one; a dangling link is not.
bool IsFolder(const WIN32_FIND_DATAW& found, bool isLink, const std::string& path) {
    if (!isLink) {
        return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }
    int error = 0;
    const auto target = InformationOf(path, error);
    return target && (target->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsDotOrDotDot(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

}  // namespace

std::optional<OpenedFolder> OpenFolderAt(const std::string& path, int& error) {
    const auto info = InformationOf(path, error);
    if (!info) {
        return std::nullopt;
    }
    if ((info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        error = ENOTDIR;
        return std::nullopt;
    }
    return OpenedFolder{IdOf(*info), FileDescriptor()};
}

std::optional<OpenedFolder> OpenSubFolder(const OpenedFolder&, const std::string& parentPrefix,
                                          std::string_view name, int& error) {
    return OpenFolderAt(parentPrefix + std::string(name), error);
}

int ReadFolderEntries(const OpenedFolder&, const std::string& prefix, std::string& names,
                      std::vector<FolderEntry>& entries) {
    WIN32_FIND_DATAW found{};
    const Handle search(FindFirstFileExW((WidePath(prefix) + L"*").c_str(), FindExInfoBasic, &found,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH),
                        ::FindClose);
    if (search.get() == INVALID_HANDLE_VALUE) {
        // A drive's top folder has no "." entry: empty, it finds nothing.
        return GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : LastErrno();
    }
    do {
        if (IsDotOrDotDot(found.cFileName)) {
            continue;
        }
        const std::string name = Utf8Of(found.cFileName);
        const bool isLink = IsLink(found);
        entries.push_back(
            FolderEntry{names.size(), name.size(), IsFolder(found, isLink, prefix + name), isLink});
        names.append(name);
    } while (FindNextFileW(search.get(), &found));
    return GetLastError() == ERROR_NO_MORE_FILES ? 0 : LastErrno();
}

bool FolderLiesBelow(const OpenedFolder& folder, const std::string& path, const FolderId& id) {
    const std::vector<FolderId> chain = FolderAndItsParents(path);
    auto above = chain.begin();
    if (above != chain.end() && *above == folder.id) {
        ++above;  // a folder is not below itself
    }
    return std::find(above, chain.end(), id) != chain.end();
}

std::optional<FolderId> IdOfPath(const std::string& path) {
    int error = 0;
    const auto info = InformationOf(path, error);
    return info ? std::optional<FolderId>(IdOf(*info)) : std::nullopt;
}

}  // namespace kelvarin
