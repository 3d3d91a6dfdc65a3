// The file ends of the compressor: the source is read through a
// ChunkedReader, whose size and modification time are checked once it has
// been read, and the stored file goes straight into a PendingFile.
#include "codec/compressor.h"

#include <memory>
#include <utility>
#include <vector>

#include "fileio/file_reader.h"
#include "fileio/folders.h"
#include "fileio/paths.h"
#include "platform/message_box.h"

namespace kelvarin {

namespace {

constexpr char kTooLarge[] = "file too large to store (2 GiB or more)";
constexpr char kStoredTooLarge[] =
    "file too large to store: its stored file would be 2 GiB or more";
constexpr char kChanged[] = "the source changed while it was read; it was not stored";
constexpr char kStopped[] = "the run was stopped before the file was stored";

class SourceFile final : public ContentSource {
public:
    SourceFile(ChunkedReader& reader, const StoreOptions& options)
        : m_reader(reader), m_options(options) {}

    long Read(std::span<std::uint8_t> buffer) override {
        if (m_options.stop != nullptr && m_options.stop->load(std::memory_order_relaxed)) {
            m_stopped = true;
            return -1;
        }
        std::size_t got = 0;
        m_outcome = m_reader.ReadFull(buffer, got);
        if (!m_outcome.Ok()) {
            return -1;
        }
        m_offset += got;
        if (m_options.progress) {
            m_options.progress(m_offset);
        }
        return static_cast<long>(got);
    }

    const ReadOutcome& Outcome() const { return m_outcome; }
    bool Stopped() const { return m_stopped; }

private:
    ChunkedReader& m_reader;
    const StoreOptions& m_options;
    ReadOutcome m_outcome;
    bool m_stopped = false;
    std::uint64_t m_offset = 0;
};

class PendingSink final : public StoredSink {
public:
    explicit PendingSink(PendingFile& pending) : m_pending(pending) {}

    bool Write(std::span<const std::uint8_t> bytes) override {
        m_outcome = m_pending.Append(bytes);
        return static_cast<bool>(m_outcome);
    }

    const WriteOutcome& Outcome() const { return m_outcome; }

private:
    PendingFile& m_pending;
    WriteOutcome m_outcome;
};

// Takes the stream and keeps nothing: a foreseeing run wants its size only.
class DiscardSink final : public StoredSink {
public:
    bool Write(std::span<const std::uint8_t>) override { return true; }
};

constexpr std::size_t kCheckChunk = 64 * 1024;

CompressStatus ReadThrough(SourceFile& source) {
    std::vector<std::uint8_t> chunk(kCheckChunk);
    for (;;) {
        const long got = source.Read(chunk);
        if (got <= 0) {
            return got == 0 ? CompressStatus::kDone : CompressStatus::kReadFailed;
        }
    }
}

StoreOutcome Stopped() {
    StoreOutcome stopped{kStopped};
    stopped.stopped = true;
    return stopped;
}

}  // namespace

StoreOutcome CheckStorable(const std::string& inputPath, const LzssWindow& work,
                           const StoreOptions& options) {
    ChunkedReader reader;
    if (const ReadOutcome opened = reader.Open(inputPath); !opened.Ok()) {
        return {DescribeReadFailure(opened, "the source")};
    }
    if (reader.Size() > kMaxFieldLength) {
        return {kTooLarge};
    }
    SourceFile source(reader, options);
    CompressStatus status = CompressStatus::kDone;
    if (WorstCaseStoredSize(reader.Size()) <= options.maxStoredSize) {
        status = ReadThrough(source);
    } else {
        // Only the compression can tell; it is costly, but rare this close.
        const auto scratch = std::make_unique<LzssWindow>(work);
        DiscardSink sink;
        status = CompressStream(static_cast<std::uint32_t>(reader.Size()), source, sink, *scratch,
                                options.maxStoredSize);
    }
    switch (status) {
        case CompressStatus::kReadFailed:
            return source.Stopped()
                       ? Stopped()
                       : StoreOutcome{DescribeReadFailure(source.Outcome(), "the source")};
        case CompressStatus::kStoredTooLarge:
            return {kStoredTooLarge};
        default:
            return {};  // a source that changes may change again before the real run
    }
}

StoreOutcome PrepareStoredFile(const std::string& inputPath, const std::string& outputPath,
                               LzssWindow& work, PendingFile& pending,
                               const StoreOptions& options) {
    const auto fail = [&pending](std::string reason) {
        pending.Discard();
        return StoreOutcome{std::move(reason)};
    };
    const auto failWrite = [&](const WriteOutcome& outcome) {
        MessageBoxOk(kWriteErrorText, outputPath);
        return fail(DescribeWriteFailure(outcome, outputPath));
    };
    ChunkedReader reader;
    if (const ReadOutcome opened = reader.Open(inputPath); !opened.Ok()) {
        return fail(DescribeReadFailure(opened, "the source"));
    }
    static_assert(kMaxFieldLength <= UINT32_MAX, "a length that passes fits the field");
    if (reader.Size() > kMaxFieldLength) {
        MessageBoxOk(kTooLarge, inputPath);
        return fail(kTooLarge);
    }

    MakeDirectories(DirectoryPart(outputPath));
    if (const WriteOutcome begun = pending.Begin(outputPath); !begun) {
        return failWrite(begun);
    }
    SourceFile source(reader, options);
    PendingSink sink(pending);
    switch (CompressStream(static_cast<std::uint32_t>(reader.Size()), source, sink, work,
                           options.maxStoredSize)) {
        case CompressStatus::kDone:
            break;
        case CompressStatus::kReadFailed:
            if (source.Stopped()) {
                pending.Discard();
                return Stopped();
            }
            return fail(DescribeReadFailure(source.Outcome(), "the source"));
        case CompressStatus::kWriteFailed:
            return failWrite(sink.Outcome());
        case CompressStatus::kLengthChanged:
            return fail(kChanged);
        case CompressStatus::kStoredTooLarge:
            MessageBoxOk(kStoredTooLarge, inputPath);
            return fail(kStoredTooLarge);
    }
    // Same size is not enough: content rewritten in place keeps it.
    if (reader.ChangedSinceOpen()) {
        return fail(kChanged);
    }
    if (const WriteOutcome finished = pending.Finish(options.flushData); !finished) {
        return failWrite(finished);
    }
    return {};
}

StoreOutcome StoreFile(const std::string& inputPath, const std::string& outputPath,
                       LzssWindow& work) {
    PendingFile pending;
    if (StoreOutcome prepared = PrepareStoredFile(inputPath, outputPath, work, pending);
        !prepared.Ok()) {
        return prepared;
    }
    if (const WriteOutcome published = pending.Publish(); !published) {
        MessageBoxOk(kWriteErrorText, outputPath);
        return {DescribeWriteFailure(published, outputPath)};
    }
    return {};
}

int CompressFile(const std::string& inputPath, const std::string& outputPath, LzssWindow& work) {
    return StoreFile(inputPath, outputPath, work).Ok() ? 1 : 0;
}

}  // namespace kelvarin
