#include "fileio/windows/win32_file.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>

#include "fileio/windows/win32_text.h"

namespace kelvarin {

OwnedHandle OpenPath(const std::string& path, DWORD access, DWORD disposition, DWORD flags) {
    if (path.empty()) {
        errno = ENOENT;
        return OwnedHandle();
    }
    OwnedHandle handle(CreateFileW(WidePath(path).c_str(), access,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   disposition, flags | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.IsOpen()) {
        errno = LastErrno();
    }
    return handle;
}

FileDescriptor DescriptorOf(OwnedHandle handle, int flags) {
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle.Get()), flags | _O_BINARY);
    if (fd < 0) {
        errno = EMFILE;
        return FileDescriptor();
    }
    handle.Release();  // the descriptor closes it now
    return FileDescriptor(fd);
}

HANDLE HandleOf(int fd) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

bool InformationOf(HANDLE handle, BY_HANDLE_FILE_INFORMATION& info) {
    if (GetFileInformationByHandle(handle, &info) == 0) {
        errno = LastErrno();
        return false;
    }
    return true;
}

std::uint64_t TicksOf(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

bool IsLinkReparsePoint(HANDLE handle) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag) == 0) {
        return true;  // cannot tell: take the safe side
    }
    return tag.ReparseTag == IO_REPARSE_TAG_SYMLINK || tag.ReparseTag == IO_REPARSE_TAG_MOUNT_POINT;
}

}  // namespace kelvarin
