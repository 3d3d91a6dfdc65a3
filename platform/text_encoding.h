// Narrow text in encodings other than UTF-8, converted by the system's own
// converter: the client's machines name files in their system code page
// (936 on Chinese Windows), while every name inside the program is UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvarin {

// An encoding as the system's converter knows it. The default value is
// UTF-8, which needs no converter.
struct TextEncoding {
    // The converter's name for it: an iconv codeset ("CP936") on POSIX, a
    // code page number ("936") on Windows. Empty: UTF-8.
    std::string id;
    std::string name = "UTF-8";  // as messages name it: "code page 936"
    bool IsUtf8() const { return id.empty(); }
};

// Windows code page `number` (936: simplified Chinese, with 0x80 for €).
TextEncoding CodePageEncoding(unsigned number);

// The system's default narrow encoding: on POSIX the codeset of the
// environment's LC_CTYPE locale, the C and POSIX locales taken as UTF-8; on
// Windows the system's ANSI code page (not the process's own, which the
// manifest makes UTF-8).
TextEncoding SystemTextEncoding();

// `utf8` in `encoding` (not UTF-8), or nullopt when the encoding cannot
// hold all of it or the converter is missing.
std::optional<std::string> FromUtf8(const TextEncoding& encoding, std::string_view utf8);

// `bytes` in `encoding` (not UTF-8) as UTF-8, or nullopt when they are not
// text in it.
std::optional<std::string> ToUtf8(const TextEncoding& encoding, std::string_view bytes);

}  // namespace kelvarin
