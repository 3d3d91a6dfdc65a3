// The source is compared inside the decoder's chunk sink; once a difference
// is found the sink only lets the decoder run on to the stream's end.
#include "import/compare_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "codec/decompressor.h"
#include "fileio/file_reader.h"

namespace kelvarin {

namespace {

constexpr char kCannotOpen[] = "Can not find the file!";
constexpr char kReadError[] = "Read error";

void Report(const char* text, const ReadOutcome& outcome) {
    errno = outcome.error != 0 ? outcome.error : EINVAL;
    std::perror(text);
}

// The open failed because no file is at the path (as a failed stat would
// say), not because one is there and cannot be read.
bool NothingThere(const ReadOutcome& opened) {
    return opened.result == ReadResult::kCannotOpen &&
           (opened.error == ENOENT || opened.error == ENOTDIR || opened.error == ENAMETOOLONG ||
            opened.error == ELOOP);
}

// Follows the source through the decoded chunks.
class SourceInStep {
public:
    SourceInStep(ChunkedReader& source, std::uint8_t* chunk,
                 const std::function<void(std::uint64_t)>& progress)
        : m_source(source), m_chunk(chunk), m_progress(progress) {}

    void Compare(const std::uint8_t* bytes, std::size_t size) {
        while (same && size > 0) {
            const std::size_t count = std::min(size, kCompareChunkSize);
            std::size_t got = 0;
            readOutcome = m_source.ReadFull({m_chunk, count}, got);
            // A short read: the source shrank since its size was taken.
            same = readOutcome.Ok() && got == count && std::memcmp(m_chunk, bytes, count) == 0;
            m_offset += count;
            bytes += count;
            size -= count;
            if (m_progress) {
                m_progress(m_offset);
            }
        }
    }

    bool same = true;
    ReadOutcome readOutcome;

private:
    ChunkedReader& m_source;
    std::uint8_t* const m_chunk;
    const std::function<void(std::uint64_t)>& m_progress;
    std::uint64_t m_offset = 0;
};

}  // namespace

StoredFileComparer::StoredFileComparer()
    : m_sourceChunk(std::make_unique<std::uint8_t[]>(kCompareChunkSize)) {}

StoredVerdict StoredFileComparer::Compare(
    const std::string& storedPath, const std::string& sourcePath, LzssWindow& work,
    const std::function<void(std::uint64_t offset)>& progress) {
    ChunkedReader stored;
    if (const ReadOutcome opened = stored.Open(storedPath); !opened.Ok()) {
        return NothingThere(opened) ? StoredVerdict::kMissing : StoredVerdict::kDiffers;
    }
    ChunkedReader source;
    const ReadOutcome opened = source.Open(sourcePath);
    SourceInStep inStep(source, m_sourceChunk.get(), progress);
    std::optional<std::uint32_t> length;
    const auto takeLength = [&](std::optional<std::uint32_t> field) {
        length = field;
        // Sizes that differ decide the matter before any content is read.
        inStep.same = opened.Ok() && field && source.Size() == *field;
    };
    const StoredDecodeResult decoded = m_decoder.Decode(
        stored, work.window.data(), takeLength,
        [&inStep](const std::uint8_t* bytes, std::size_t size) { inStep.Compare(bytes, size); });
    if (decoded.unreadable) {
        return StoredVerdict::kDiffers;
    }
    LeaveInWindow(work, m_decoder.Tail(), decoded.produced);
    if (decoded.status != DecodeStatus::kEndMarker) {
        std::fputs(kInputBitFatal, stdout);
        std::fflush(stdout);
        return StoredVerdict::kDiffers;
    }
    if (!length || decoded.produced != *length) {
        return StoredVerdict::kDiffers;
    }
    if (!opened.Ok()) {
        Report(opened.result == ReadResult::kReadError ? kReadError : kCannotOpen, opened);
        return StoredVerdict::kDiffers;
    }
    if (!inStep.readOutcome.Ok()) {
        Report(kReadError, inStep.readOutcome);
        return StoredVerdict::kDiffers;
    }
    // Every byte of the measured size was compared; a source that changed
    // meanwhile (grown, or rewritten in place) is not the content compared.
    return inStep.same && !source.ChangedSinceOpen() ? StoredVerdict::kSame
                                                     : StoredVerdict::kDiffers;
}

}  // namespace kelvarin
