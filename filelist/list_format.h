// The bytes of the list file. The updater in every client parses them, so
// they are fixed to the byte: a first line with the count, one line per
// file opening with four spaces, and "</root>" with no line end after it.
// Lines end with a single line feed; there is no XML declaration, and names
// are written as they are, with no escaping. `md5` is 32 lower-case hex
// digits; `md5x` puts a space before each of its 16 pairs (48 characters).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kelvarin {

using Md5Digest = std::array<std::uint8_t, 16>;

struct ListedFile {
    std::string_view name;  // published name
    int pack = 1;
    std::int32_t length = 0;
    Md5Digest md5{};   // the file's bytes
    Md5Digest md5x{};  // its decoded content
};

// Appends the first line: <root count="N">
void AppendListHead(std::string& text, std::int32_t count);

// Appends one `file` element and its line feed.
void AppendFileElement(std::string& text, const ListedFile& file);

// Appends the closing "</root>", the last bytes of the file.
void AppendListEnd(std::string& text);

}  // namespace kelvarin
