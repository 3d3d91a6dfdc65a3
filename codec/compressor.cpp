#include "codec/compressor.h"

#include "codec/bit_stream.h"
#include "codec/file_io.h"
#include "codec/make_directories.h"
#include "codec/match_tree.h"
#include "platform/message_box.h"

namespace kelvarin {

namespace {

constexpr char kWriteError[] = "error write file";
constexpr char kTooLarge[] = "file too large to store (2 GiB or more)";

void AppendLengthField(std::vector<std::uint8_t>& stored, std::uint32_t length) {
    for (int shift = 0; shift < 32; shift += 8) {
        stored.push_back(static_cast<std::uint8_t>(length >> shift));
    }
}

// Upper bound of the stream's size: every byte as a literal, and the end marker.
std::size_t MaxStreamBytes(std::size_t contentSize) {
    return (contentSize * kLiteralBits + kEndMarkerBits + 7) / 8;
}

}  // namespace

void CompressBuffer(std::span<const std::uint8_t> content, LzssWindow& work,
                    std::vector<std::uint8_t>& stored) {
    const std::uint8_t* input = content.data();
    const std::size_t size = content.size();

    AppendLengthField(stored, static_cast<std::uint32_t>(size));
    BitWriter writer;
    writer.buffer = std::move(stored);
    writer.buffer.reserve(writer.buffer.size() + MaxStreamBytes(size));

    // Fill the look-ahead: up to 18 bytes into positions 1, 2, ...
    std::size_t readIndex = 0;
    int lookAhead = 0;
    while (lookAhead < kLookAhead && readIndex < size) {
        StoreWindowByte(work, kFirstPosition + lookAhead, input[readIndex++]);
        ++lookAhead;
    }
    ResetMatchTree(work);

    int matchLength = 0;
    int matchPosition = 0;
    int current = kFirstPosition;
    while (lookAhead > 0) {
        if (matchLength > lookAhead) {
            matchLength = lookAhead;
        }
        int replaceCount;
        if (matchLength <= kBreakEven) {
            WriteBits(writer, kLiteralBits, 0x100u | work.window[static_cast<unsigned>(current)]);
            replaceCount = 1;
        } else {
            // Flag bit 0, position, length code: one 19-bit field.
            const auto token = (static_cast<std::uint32_t>(matchPosition) << kLengthBits) |
                               static_cast<std::uint32_t>(matchLength - kMinMatch);
            WriteBits(writer, kMatchBits, token);
            replaceCount = matchLength;
        }
        for (int i = 0; i < replaceCount; ++i) {
            const int p = (current + kLookAhead) & kWindowMask;
            RemovePosition(work, p);
            if (readIndex < size) {
                StoreWindowByte(work, p, input[readIndex++]);
            } else {
                --lookAhead;
            }
            current = (current + 1) & kWindowMask;
            if (lookAhead != 0) {
                matchLength = InsertPosition(work, current, matchPosition);
            }
        }
    }
    WriteBits(writer, kEndMarkerBits, 0);
    FlushBits(writer);
    stored = std::move(writer.buffer);
}

int CompressFile(const std::string& inputPath, const std::string& outputPath, LzssWindow& work) {
    std::vector<std::uint8_t> content;
    switch (ReadWholeFile(inputPath, content, kMaxContentSize)) {
        case ReadResult::kOk:
            break;
        case ReadResult::kTooLarge:
            MessageBoxOk(kTooLarge, inputPath);
            return 0;
        case ReadResult::kCannotOpen:
        case ReadResult::kReadError:
            return 0;
    }
    std::vector<std::uint8_t> stored;
    CompressBuffer(content, work, stored);
    content = {};

    MakeDirectories(DirectoryPart(outputPath));
    if (!WriteFileReplacing(outputPath, stored)) {
        MessageBoxOk(kWriteError, outputPath);
        return 0;
    }
    return 1;
}

}  // namespace kelvarin
