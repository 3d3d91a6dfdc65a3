#include "filelist/listed_file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kelvarin {

namespace {

std::string Explain(const std::string& path, const char* what, int error) {
    return "cannot " + std::string(what) + " " + path + ": " + std::strerror(error);
}

}  // namespace

ListedFileReader::~ListedFileReader() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool ListedFileReader::Open(const std::string& path, std::string& error) {
    m_path = path;
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
    // writer. It changes nothing for regular files.
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (m_fd < 0) {
        error = Explain(path, "open", errno);
        return false;
    }
    struct stat info {};
    if (::fstat(m_fd, &info) != 0) {
        error = Explain(path, "measure", errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = path + " is not a regular file";
        return false;
    }
    m_size = static_cast<std::uint64_t>(info.st_size);
    if (m_size > kMaxListedLength) {
        error = path + " is 2 GiB or larger; the list's length field cannot describe it";
        return false;
    }
    return true;
}

bool ListedFileReader::ReadAll(std::unique_ptr<std::uint8_t[]>& bytes, std::size_t& size,
                               std::string& error) {
    const auto wanted = static_cast<std::size_t>(m_size);
    bytes = std::make_unique_for_overwrite<std::uint8_t[]>(wanted);
    size = 0;
    while (size < wanted) {
        const ssize_t got = ::read(m_fd, bytes.get() + size, wanted - size);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = Explain(m_path, "read", errno);
            bytes.reset();
            size = 0;
            return false;
        }
        if (got == 0) {
            break;
        }
        size += static_cast<std::size_t>(got);
    }
    ::close(m_fd);
    m_fd = -1;
    return true;
}

}  // namespace kelvarin
