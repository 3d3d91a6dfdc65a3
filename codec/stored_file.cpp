// The length field is written and read here only; the stream behind it is
// the token coding's.
#include "codec/stored_file.h"

namespace kelvarin {

namespace {

std::array<std::uint8_t, kLengthFieldSize> LengthFieldBytes(std::uint32_t length) {
    std::array<std::uint8_t, kLengthFieldSize> bytes{};
    for (std::size_t i = 0; i < kLengthFieldSize; ++i) {
        bytes[i] = static_cast<std::uint8_t>(length >> (8 * i));
    }
    return bytes;
}

}  // namespace

std::optional<std::uint32_t> StoredLengthField(std::span<const std::uint8_t> stored) {
    if (stored.size() < kLengthFieldSize) {
        return std::nullopt;
    }
    std::uint32_t length = 0;
    for (std::size_t i = 0; i < kLengthFieldSize; ++i) {
        length |= static_cast<std::uint32_t>(stored[i]) << (8 * i);
    }
    return length;
}

std::span<const std::uint8_t> StoredStream(std::span<const std::uint8_t> stored) {
    return stored.size() < kLengthFieldSize ? stored.last(0) : stored.subspan(kLengthFieldSize);
}

CompressStatus CompressStream(std::uint32_t length, ContentSource& source, StoredSink& sink,
                              LzssWindow& work, std::uint64_t maxStoredSize) {
    return EncodeContent(LengthFieldBytes(length), length, source, sink, work, maxStoredSize);
}

void CompressBuffer(std::span<const std::uint8_t> content, LzssWindow& work,
                    std::vector<std::uint8_t>& stored) {
    EncodeBuffer(LengthFieldBytes(static_cast<std::uint32_t>(content.size())), content, work,
                 stored);
}

std::string DamageText(std::optional<StoredFileState> state) {
    constexpr std::string_view kTruncated = "its stream ends before its end marker";
    constexpr std::string_view kLengthDisagrees = "its length field disagrees with its content";
    if (state == StoredFileState::kTruncated) {
        return std::string(kTruncated);
    }
    if (state == StoredFileState::kLengthDisagrees) {
        return std::string(kLengthDisagrees);
    }
    return std::string(kTruncated).append(" or ").append(kLengthDisagrees);
}

}  // namespace kelvarin
