// An owned file descriptor: closed on every way out, or explicitly when the
// close's own result matters (a write is complete only once close succeeds).
#pragma once

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace kelvarin {

class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            Close();
            m_fd = std::exchange(other.m_fd, -1);
        }
        return *this;
    }
    ~FileDescriptor() { Close(); }

    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }

    // Gives the descriptor up to a new owner (fdopendir, say).
    int Release() { return std::exchange(m_fd, -1); }

    // Closes now. Returns 0, or the errno of a failed close.
    int Close() {
        if (m_fd < 0) {
            return 0;
        }
        const int fd = std::exchange(m_fd, -1);
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int m_fd = -1;
};

}  // namespace kelvarin
