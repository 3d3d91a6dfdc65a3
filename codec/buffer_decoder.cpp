// The whole-buffer decoder: every match is copied straight from the content
// decoded so far, and the window is written only once, at the end, with
// what a byte-at-a-time decoder would have left in it.
#include "codec/buffer_decoder.h"

#include <algorithm>
#include <cstring>

#include "codec/stream_decoder.h"

namespace kelvarin {

namespace {

using decoder::kOutputSlack;

// The output grows by this much at a time: small enough to stay in the
// level-2 cache between being zero-filled and being overwritten.
constexpr std::size_t kGrowStep = 64 * 1024;
// Content is at most this many times its stream (18 bytes for 19 bits).
constexpr std::size_t kMaxExpansion = 8;
static_assert(kLookAhead * 8 <= kMatchBits * kMaxExpansion);

// Writes into one growing vector. Matches that reach before the content's
// first byte read the window as it was on entry: this stream has not
// written those positions yet.
class BufferOutput {
public:
    BufferOutput(std::vector<std::uint8_t>& content, const std::uint8_t* window)
        : m_content(content), m_window(window) {}

    std::uint8_t* Begin(std::size_t sizeHint) {
        m_content.clear();
        m_content.resize(sizeHint + kOutputSlack);
        m_base = m_content.data();
        m_end = m_base + m_content.size();
        return m_base;
    }

    // Out of line: it runs about once per filled stretch of output.
    [[gnu::noinline]] decoder::OutputRoom MakeRoom(std::uint8_t* op) {
        if (static_cast<std::size_t>(m_end - op) < kOutputSlack) {
            op = Grow(op);
        }
        return {op, m_end - kOutputSlack, reinterpret_cast<std::uintptr_t>(m_base)};
    }

    bool CopyForeign(std::uint8_t* op, std::size_t produced, std::size_t position,
                     std::size_t distance, std::size_t length) {
        for (std::size_t i = 0; i < length; ++i) {
            const std::size_t at = produced + i;
            op[i] = at >= distance ? m_base[at - distance] : m_window[(position + i) & kWindowMask];
        }
        return true;
    }

    std::size_t Produced(const std::uint8_t* op) const {
        return static_cast<std::size_t>(op - m_base);
    }

private:
    std::uint8_t* Grow(std::uint8_t* op) {
        const std::size_t produced = Produced(op);
        const std::size_t wanted = std::max(m_content.size() + kGrowStep, produced + kOutputSlack);
        if (wanted > m_content.capacity()) {
            m_content.reserve(std::max(m_content.capacity() * 2, wanted));
        }
        m_content.resize(wanted);
        m_base = m_content.data();
        m_end = m_base + m_content.size();
        return m_base + produced;
    }

    std::vector<std::uint8_t>& m_content;
    const std::uint8_t* m_window;
    std::uint8_t* m_base = nullptr;
    std::uint8_t* m_end = nullptr;
};

}  // namespace

DecodeStatus DecompressBuffer(std::span<const std::uint8_t> stream, LzssWindow& work,
                              std::vector<std::uint8_t>& content, std::size_t sizeHint) {
    // The length field is only a hint, and no stream expands beyond
    // kMaxExpansion; a reused buffer keeps its storage, but only the bytes
    // this content needs are zero-filled (growing a vector fills it).
    BufferOutput output(content, work.window.data());
    std::uint8_t* const begin = output.Begin(std::min(sizeHint, stream.size() * kMaxExpansion));
    std::uint8_t* end = begin;
    decoder::WholeStream input{stream};
    const DecodeStatus status = decoder::DecodeTokens(input, output, begin, end);
    const std::size_t produced = output.Produced(end);
    content.resize(produced);
    const std::size_t kept = std::min<std::size_t>(produced, kWindowSize);
    LeaveInWindow(work, std::span<const std::uint8_t>(content.data() + produced - kept, kept),
                  produced);
    return status;
}

void LeaveInWindow(LzssWindow& work, std::span<const std::uint8_t> tail, std::uint64_t produced) {
    ApplyWindowEffect(std::span<std::uint8_t, kWindowSize>(work.window.data(), kWindowSize), tail,
                      produced);
    std::memcpy(&work.window[kWindowSize], &work.window[0], kMirrorBytes);
}

}  // namespace kelvarin
