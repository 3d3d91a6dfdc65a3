// Handles for the wide file calls of the Windows side of the file layer: an
// owned HANDLE, the one way this program opens a path (shared for reading,
// writing and deleting, so that no open of ours keeps a stop or another run
// from removing or replacing a file), and the hand-over to a C run-time
// descriptor so that FileDescriptor and the byte streams work unchanged.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>

#include "fileio/file_descriptor.h"

namespace kelvarin {

class OwnedHandle {
public:
    OwnedHandle() = default;
    explicit OwnedHandle(HANDLE handle) : m_handle(handle) {}
    OwnedHandle(OwnedHandle&& other) noexcept : m_handle(other.Release()) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept {
        if (this != &other) {
            Close();
            m_handle = other.Release();
        }
        return *this;
    }
    ~OwnedHandle() { Close(); }

    HANDLE Get() const { return m_handle; }
    bool IsOpen() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Release() { return std::exchange(m_handle, INVALID_HANDLE_VALUE); }
    void Close() {
        if (IsOpen()) {
            CloseHandle(Release());
        }
    }

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};

// CreateFileW on `path` with `access`, `disposition` and `flags`; not open,
// with errno set, when it fails. Folders open too (backup semantics).
OwnedHandle OpenPath(const std::string& path, DWORD access, DWORD disposition, DWORD flags = 0);

// Gives `handle` to a new binary descriptor opened with `flags` (_O_RDONLY,
// _O_WRONLY); not open, with errno set and the handle closed, on failure.
FileDescriptor DescriptorOf(OwnedHandle handle, int flags);

// The handle behind the descriptor `fd`.
HANDLE HandleOf(int fd);

// What GetFileInformationByHandle says, or false with errno set.
bool InformationOf(HANDLE handle, BY_HANDLE_FILE_INFORMATION& info);

// A FILETIME as one 64-bit count of 100 ns, and back.
std::uint64_t TicksOf(const FILETIME& time);

// Whether the reparse point open at `handle` is a link (a symbolic link or a
// junction) rather than a file the system keeps elsewhere.
bool IsLinkReparsePoint(HANDLE handle);

}  // namespace kelvarin
