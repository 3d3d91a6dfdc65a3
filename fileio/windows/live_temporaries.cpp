// Creating and removing files on Windows: a new file is created
// exclusively, shared for deleting, so that a stop can remove it while a
// worker still has it open. A read-only file is removed as on POSIX, where
// the folder, not the file, decides.
#include <fcntl.h>

#include <cerrno>

#include "fileio/file_calls.h"
#include "fileio/windows/win32_file.h"
#include "fileio/windows/win32_text.h"

namespace kelvarin {

FileDescriptor CreateNewFile(const std::string& path) {
    OwnedHandle handle = OpenPath(path, GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
    return handle.IsOpen() ? DescriptorOf(std::move(handle), _O_WRONLY) : FileDescriptor();
}

int RemoveFileNamed(const std::string& path) {
    const std::wstring wide = WidePath(path);
    if (DeleteFileW(wide.c_str()) != 0) {
        return 0;
    }
    const int error = LastErrno();
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (error != EACCES || attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & FILE_ATTRIBUTE_READONLY) == 0 ||
        SetFileAttributesW(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) == 0) {
        return error;
    }
    if (DeleteFileW(wide.c_str()) == 0) {
        const int again = LastErrno();
        SetFileAttributesW(wide.c_str(), attributes);  // left as it was found
        return again;
    }
    return 0;
}

}  // namespace kelvarin
