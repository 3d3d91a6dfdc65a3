// Opening a file for reading on POSIX without ever blocking, and telling
// from fstat whether it changed while it was read.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "fileio/file_reader.h"

namespace kelvarin {

ReadOutcome ChunkedReader::Open(const std::string& path) {
    // O_NONBLOCK: opening a FIFO would otherwise wait for a writer; it
    // changes nothing for the regular files that are read.
    m_fd = FileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!m_fd.IsOpen()) {
        return {ReadResult::kCannotOpen, errno};
    }
    struct stat info {};
    if (::fstat(m_fd.Get(), &info) != 0) {
        return {ReadResult::kReadError, errno};
    }
    if (!S_ISREG(info.st_mode)) {
        return {ReadResult::kNotAFile, S_ISDIR(info.st_mode) ? EISDIR : 0};
    }
    m_size = static_cast<std::uint64_t>(info.st_size);
    m_modified = info.st_mtim.tv_sec;
    m_modifiedFraction = info.st_mtim.tv_nsec;
    m_source = OpenSource(m_fd.Get(), path);
    return {};
}

bool ChunkedReader::ChangedSinceOpen() const {
    struct stat info {};
    return ::fstat(m_fd.Get(), &info) != 0 || static_cast<std::uint64_t>(info.st_size) != m_size ||
           info.st_mtim.tv_sec != m_modified || info.st_mtim.tv_nsec != m_modifiedFraction;
}

}  // namespace kelvarin
