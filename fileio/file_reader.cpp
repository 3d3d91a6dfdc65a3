#include "fileio/file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace kelvarin {

std::string DescribeReadFailure(const ReadOutcome& outcome, const std::string& path) {
    const std::string reason = outcome.error != 0 ? std::strerror(outcome.error) : "";
    switch (outcome.result) {
        case ReadResult::kOk:
            return {};
        case ReadResult::kCannotOpen:
            return "cannot open " + path + ": " + reason;
        case ReadResult::kNotAFile:
            return path + " is not a regular file";
        case ReadResult::kReadError:
            return "cannot read " + path + ": " + reason;
        case ReadResult::kTooLarge:
            return path + " is too large";
    }
    return {};
}

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
    m_modified = info.st_mtim;
    m_source = OpenSource(m_fd.Get(), path);
    return {};
}

ReadOutcome ChunkedReader::Read(std::span<std::uint8_t> buffer, std::size_t& got) {
    int error = 0;
    const long count = m_source->Read(buffer.data(), buffer.size(), error);
    if (count < 0) {
        got = 0;
        return {ReadResult::kReadError, error};
    }
    got = static_cast<std::size_t>(count);
    return {};
}

bool ChunkedReader::ChangedSinceOpen() const {
    struct stat info {};
    return ::fstat(m_fd.Get(), &info) != 0 || static_cast<std::uint64_t>(info.st_size) != m_size ||
           info.st_mtim.tv_sec != m_modified.tv_sec || info.st_mtim.tv_nsec != m_modified.tv_nsec;
}

ReadOutcome ChunkedReader::ReadFull(std::span<std::uint8_t> buffer, std::size_t& got) {
    got = 0;
    while (got < buffer.size()) {
        std::size_t count = 0;
        const ReadOutcome outcome = Read(buffer.subspan(got), count);
        if (!outcome.Ok()) {
            return outcome;
        }
        if (count == 0) {
            break;
        }
        got += count;
    }
    return {};
}

ReadOutcome ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& content,
                          std::uint64_t maxSize) {
    content.clear();
    ChunkedReader reader;
    ReadOutcome outcome = reader.Open(path);
    if (!outcome.Ok()) {
        return outcome;
    }
    if (reader.Size() > maxSize) {
        return {ReadResult::kTooLarge, EFBIG};
    }
    // One byte more than measured, so that growth shows without a second call.
    content.resize(static_cast<std::size_t>(reader.Size()) + 1);
    std::size_t size = 0;
    for (;;) {
        std::size_t got = 0;
        outcome = reader.ReadFull(std::span(content).subspan(size), got);
        size += got;
        if (!outcome.Ok()) {
            content.clear();
            return outcome;
        }
        if (size > maxSize) {
            content.clear();
            return {ReadResult::kTooLarge, EFBIG};
        }
        if (size < content.size()) {
            break;
        }
        content.resize(content.size() * 2);
    }
    content.resize(size);
    return {};
}

}  // namespace kelvarin
