// The comparison reads in fixed chunks into a stack buffer: nothing is
// allocated per file, and a FIFO or other special file is turned away
// before any read could block.
#include "import/compare_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "fileio/file_reader.h"

namespace kelvarin {

namespace {

constexpr char kCannotOpen[] = "Can not find the file!";
constexpr char kReadError[] = "Read error";

void Report(const char* text, const ReadOutcome& outcome) {
    errno = outcome.error != 0 ? outcome.error : EINVAL;
    std::perror(text);
}

}  // namespace

int CompareFileWithBuffer(const std::vector<std::uint8_t>& buffer, const std::string& path) {
    ChunkedReader reader;
    ReadOutcome outcome = reader.Open(path);
    if (!outcome.Ok()) {
        Report(outcome.result == ReadResult::kReadError ? kReadError : kCannotOpen, outcome);
        return 0;
    }
    if (reader.Size() != buffer.size()) {
        return 0;
    }
    std::uint8_t chunk[kCompareChunkSize];
    std::size_t offset = 0;
    for (;;) {
        std::size_t got = 0;
        outcome = reader.Read(chunk, got);
        if (!outcome.Ok()) {
            Report(kReadError, outcome);
            return 0;
        }
        if (got == 0) {
            break;
        }
        // Bytes past the buffer's end mean the file has grown since its size
        // was taken: it is no longer the content that was compared.
        if (got > buffer.size() - offset || std::memcmp(chunk, buffer.data() + offset, got) != 0) {
            return 0;
        }
        offset += got;
    }
    // Fewer bytes than the size promised: the file shrank while it was read.
    return offset == buffer.size() ? 1 : 0;
}

}  // namespace kelvarin
