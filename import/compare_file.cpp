// The comparison reads through a plain descriptor in fixed chunks into a
// stack buffer: nothing is allocated per file, and a FIFO or other special
// file is turned away before any read could block.
#include "import/compare_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kelvarin {

namespace {

constexpr char kCannotOpen[] = "Can not find the file!";
constexpr char kReadError[] = "Read error";

class ScopedDescriptor {
public:
    explicit ScopedDescriptor(int fd) : m_fd(fd) {}
    ScopedDescriptor(const ScopedDescriptor&) = delete;
    ScopedDescriptor& operator=(const ScopedDescriptor&) = delete;
    ~ScopedDescriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

}  // namespace

int CompareFileWithBuffer(const std::vector<std::uint8_t>& buffer, const std::string& path) {
    // O_NONBLOCK: a FIFO in the source tree must not stall the worker; it is
    // refused below like anything else that is not a regular file.
    const ScopedDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0) {
        std::perror(kCannotOpen);
        return 0;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        std::perror(kReadError);
        return 0;
    }
    if (!S_ISREG(info.st_mode)) {
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        std::perror(kCannotOpen);
        return 0;
    }
    if (static_cast<std::uint64_t>(info.st_size) != buffer.size()) {
        return 0;
    }

    std::uint8_t chunk[kCompareChunkSize];
    std::size_t offset = 0;
    for (;;) {
        const ssize_t got = ::read(file.get(), chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::perror(kReadError);
            return 0;
        }
        if (got == 0) {
            break;
        }
        const auto count = static_cast<std::size_t>(got);
        // Bytes past the buffer's end mean the file has grown since its size
        // was taken: it is no longer the content that was compared.
        if (count > buffer.size() - offset ||
            std::memcmp(chunk, buffer.data() + offset, count) != 0) {
            return 0;
        }
        offset += count;
    }
    // Fewer bytes than the size promised: the file shrank while it was read.
    return offset == buffer.size() ? 1 : 0;
}

}  // namespace kelvarin
