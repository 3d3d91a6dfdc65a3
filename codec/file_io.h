// Whole-file reads and crash-safe replacement of published files. A file is
// replaced by writing a temporary beside it and renaming it into place once
// it is complete, so a reader (or a crash) never sees a half-written file.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kelvarin {

enum class ReadResult { kOk, kCannotOpen, kReadError, kTooLarge };

// Reads the whole file into `content` (replacing what it held). Files larger
// than `maxSize` bytes are not read (kTooLarge). errno tells why on failure.
ReadResult ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& content,
                         std::uint64_t maxSize);

// Replaces (or creates) the file at `path` with the concatenated pieces.
// Returns false when any step fails; the temporary is then removed and an
// existing file at `path` is left as it was. errno tells why.
bool WriteFileReplacing(const std::string& path,
                        std::initializer_list<std::span<const std::uint8_t>> pieces);
inline bool WriteFileReplacing(const std::string& path, std::span<const std::uint8_t> data) {
    return WriteFileReplacing(path, {data});
}

// True for the names that WriteFileReplacing gives its temporaries, so that
// one left by a crash can be told from a published file.
bool IsTemporaryFileName(std::string_view fileName);

// The directory part of a path, up to and including its last '/', or empty.
std::string DirectoryPart(const std::string& path);

}  // namespace kelvarin
