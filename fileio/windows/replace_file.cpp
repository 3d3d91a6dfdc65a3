// The Windows steps of a replacement. What stands at the target is asked
// about without following a reparse point; the new file takes the old one's
// attributes and creation time; MoveFileExW replaces in one step, written
// through, after clearing a read-only target's attribute (set again on the
// new file). A flush of a whole volume needs administrator rights here, so
// each file is flushed on its own before its rename and a file system
// flush has nothing left to do. A temporary's writer has ended when its
// process can no longer be opened or is signalled.
#include <cerrno>

#include "fileio/byte_stream.h"
#include "fileio/file_calls.h"
#include "fileio/paths.h"
#include "fileio/replace_file.h"
#include "fileio/windows/win32_file.h"
#include "fileio/windows/win32_text.h"

namespace kelvarin {

namespace {

// The attributes a replacement carries over.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

}  // namespace

ReplacedTarget LookAtTarget(const std::string& path) {
    const OwnedHandle handle =
        OpenPath(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT);
    if (!handle.IsOpen()) {
        return {};
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(handle.Get()) != FILE_TYPE_DISK || !InformationOf(handle.Get(), info)) {
        return {true, false};  // a device, or what cannot say what it is
    }
    const DWORD notFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    return {true,
            (info.dwFileAttributes & notFile) == 0,
            {info.dwFileAttributes, TicksOf(info.ftCreationTime), 0}};
}

void KeepTargetTraits(const ReplacedTarget& target, int fd) {
    // The temporary stays writable until it is in place (RenameOver).
    const DWORD attributes =
        static_cast<DWORD>(target.kept[0]) & kKeptAttributes & ~FILE_ATTRIBUTE_READONLY;
    FILE_BASIC_INFO basic{};
    basic.CreationTime.QuadPart = static_cast<LONGLONG>(target.kept[1]);
    basic.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
    SetFileInformationByHandle(HandleOf(fd), FileBasicInfo, &basic, sizeof basic);
}

int FlushFileData(int fd) {
    return FlushFileBuffers(HandleOf(fd)) != 0 ? 0 : LastErrno();
}

bool FlushesEachFile() {
    return true;
}

int RenameOver(const std::string& from, const std::string& to) {
    const std::wstring target = WidePath(to);
    const DWORD old = GetFileAttributesW(target.c_str());
    const bool readOnly = old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly) {
        SetFileAttributesW(target.c_str(), old & ~FILE_ATTRIBUTE_READONLY);
    }
    const bool moved = MoveFileExW(WidePath(from).c_str(), target.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    const int error = moved ? 0 : LastErrno();
    if (readOnly) {
        // The new file, or the old one left in place, is read-only again.
        const DWORD now = GetFileAttributesW(target.c_str());
        if (now != INVALID_FILE_ATTRIBUTES) {
            SetFileAttributesW(target.c_str(), now | FILE_ATTRIBUTE_READONLY);
        }
    }
    return error;
}

long CurrentProcessId() {
    return static_cast<long>(GetCurrentProcessId());
}

bool ProcessHasEnded(long id) {
    if (id <= 0 || static_cast<unsigned long>(id) > MAXDWORD) {
        return true;
    }
    const OwnedHandle process(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id)));
    if (!process.IsOpen()) {
        // Denied means it runs under another account.
        return GetLastError() == ERROR_INVALID_PARAMETER;
    }
    return WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0;
}

std::vector<std::string> EntriesStartingWith(const std::string& folder, std::string_view prefix) {
    std::vector<std::string> paths;
    const std::string start =
        !folder.empty() && IsSeparator(folder.back()) ? folder : folder + kSeparator;
    WIN32_FIND_DATAW entry{};
    const HANDLE listing =
        FindFirstFileExW(WidePath(start + "*").c_str(), FindExInfoBasic, &entry,
                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (listing == INVALID_HANDLE_VALUE) {
        return paths;
    }
    do {
        const std::string name = Utf8Of(entry.cFileName);
        if (name.starts_with(prefix)) {
            paths.push_back(start + name);
        }
    } while (FindNextFileW(listing, &entry) != 0);
    FindClose(listing);
    return paths;
}

int FlushFileSystem(const std::string& path) {
    // Every file was flushed before its rename (FlushesEachFile).
    return BeforeStep(IoSeam::Step::kFlush, path);
}

void FlushFolder(const std::string&) {
    // MOVEFILE_WRITE_THROUGH has put the rename on disk already.
}

}  // namespace kelvarin
