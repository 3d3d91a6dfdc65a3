// The file ends of the compressor: the source is read through a
// ChunkedReader, whose size and modification time are checked once it has
// been read, and the stored file goes straight into a PendingFile.
#include "codec/compressor.h"

#include <utility>

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

class SourceFile final : public ContentSource {
public:
    SourceFile(ChunkedReader& reader, const StoreOptions& options)
        : m_reader(reader), m_options(options) {}

    long Read(std::span<std::uint8_t> buffer) override {
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

private:
    ChunkedReader& m_reader;
    const StoreOptions& m_options;
    ReadOutcome m_outcome;
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

}  // namespace

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
