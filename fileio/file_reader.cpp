// The shared part of reading: descriptions, chunked and whole-file reads.
// Opening and the change check are the system's (posix/, windows/).
#include "fileio/file_reader.h"

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
