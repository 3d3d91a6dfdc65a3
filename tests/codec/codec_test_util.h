// The fast codec beside the literal one, in work areas that must stay in
// the same state.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "codec/buffer_decoder.h"
#include "codec/compressor.h"
#include "codec/decompressor.h"
#include "codec/stream_decoder.h"
#include "tests/support/literal_codec.h"
#include "tests/support/temp_dir.h"

namespace kelvarin::test {

struct WorkPair {
    std::unique_ptr<LzssWindow> fast = std::make_unique<LzssWindow>();
    std::unique_ptr<LiteralWindow> literal = std::make_unique<LiteralWindow>();

    void FillWindow(std::uint8_t seed) { FillWindows(*fast, *literal, std::span(&seed, 1)); }
    bool WindowsAgree() const { return test::WindowsAgree(*fast, *literal); }
};

inline Bytes FastCompress(const Bytes& content, LzssWindow& work) {
    Bytes stored;
    CompressBuffer(content, work, stored);
    return stored;
}

// The whole-buffer decoder, keeping standard output quiet.
inline DecodeStatus FastDecompress(const Bytes& stored, LzssWindow& work, Bytes& content) {
    ::testing::internal::CaptureStdout();
    const DecodeStatus status = DecompressBuffer(StoredStream(stored), work, content);
    ::testing::internal::GetCapturedStdout();
    return status;
}

}  // namespace kelvarin::test
