#include "codec/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

namespace kelvarin {

namespace {

constexpr std::string_view kTemporaryPrefix = ".~kvtmp.";

// Closes a descriptor on every way out.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int get() const { return m_fd; }
    // Closes now and reports whether the close succeeded.
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

std::string TemporaryPathBeside(const std::string& path) {
    static std::atomic<unsigned long> counter{0};
    return DirectoryPart(path) + std::string(kTemporaryPrefix) + std::to_string(::getpid()) + "." +
           std::to_string(counter.fetch_add(1, std::memory_order_relaxed));
}

}  // namespace

ReadResult ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& content,
                         std::uint64_t maxSize) {
    content.clear();
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        return ReadResult::kCannotOpen;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        return ReadResult::kReadError;
    }
    if (S_ISDIR(info.st_mode)) {
        errno = EISDIR;
        return ReadResult::kCannotOpen;
    }
    if (static_cast<std::uint64_t>(info.st_size) > maxSize) {
        errno = EFBIG;
        return ReadResult::kTooLarge;
    }
    // Read to the end rather than trusting the size: a file that changes
    // while it is read gives what was read, never stale buffer bytes.
    std::size_t size = 0;
    content.resize(static_cast<std::size_t>(info.st_size) + 1);
    for (;;) {
        if (size == content.size()) {
            if (content.size() > maxSize) {
                errno = EFBIG;
                content.clear();
                return ReadResult::kTooLarge;
            }
            content.resize(content.size() * 2);
        }
        const ssize_t got = ::read(file.get(), content.data() + size, content.size() - size);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            content.clear();
            return ReadResult::kReadError;
        }
        if (got == 0) {
            break;
        }
        size += static_cast<std::size_t>(got);
    }
    if (size > maxSize) {
        errno = EFBIG;
        content.clear();
        return ReadResult::kTooLarge;
    }
    content.resize(size);
    return ReadResult::kOk;
}

bool WriteFileReplacing(const std::string& path,
                        std::initializer_list<std::span<const std::uint8_t>> pieces) {
    const std::string temporary = TemporaryPathBeside(path);
    FileDescriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (file.get() < 0) {
        return false;
    }
    bool ok = true;
    for (std::span<const std::uint8_t> piece : pieces) {
        if (ok) {
            ok = WriteAll(file.get(), piece.data(), piece.size());
        }
    }
    ok = file.Close() && ok;
    if (ok && std::rename(temporary.c_str(), path.c_str()) == 0) {
        return true;
    }
    const int error = errno;
    ::unlink(temporary.c_str());
    errno = error;
    return false;
}

bool IsTemporaryFileName(std::string_view fileName) {
    return fileName.substr(0, kTemporaryPrefix.size()) == kTemporaryPrefix;
}

std::string DirectoryPart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace kelvarin
