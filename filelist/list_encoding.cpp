// The choice's names, and conversions checked both ways: the system's
// converter is asked for no best fit, and what comes back must be the name.
#include "filelist/list_encoding.h"

#include <iterator>
#include <utility>

namespace kelvarin {

namespace {

// Every encoding a list is written in (UTF-8, a Windows ANSI code page, a
// locale's codeset) holds ASCII as ASCII, so most names need no converter.
bool IsAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string_view ListEncodingName(ListEncodingChoice choice) {
    return kListEncodingNames[static_cast<int>(choice)];
}

std::optional<ListEncodingChoice> ParseListEncoding(std::string_view name) {
    for (std::size_t i = 0; i < std::size(kListEncodingNames); ++i) {
        if (kListEncodingNames[i] == name) {
            return static_cast<ListEncodingChoice>(i);
        }
    }
    return std::nullopt;
}

TextEncoding ResolveListEncoding(ListEncodingChoice choice) {
    switch (choice) {
        case ListEncodingChoice::kCp936:
            return CodePageEncoding(936);
        case ListEncodingChoice::kSystem:
            return SystemTextEncoding();
        case ListEncodingChoice::kUtf8:
            break;
    }
    return {};
}

EncodedName EncodeListName(const TextEncoding& encoding, std::string_view name) {
    if (encoding.IsUtf8() || IsAscii(name)) {
        return {std::string(name), {}};
    }
    std::optional<std::string> bytes = FromUtf8(encoding, name);
    const std::optional<std::string> back =
        bytes ? ToUtf8(encoding, *bytes) : std::optional<std::string>();
    if (!back || *back != name) {
        return {{}, "cannot be written in " + encoding.name};
    }
    return {std::move(*bytes), {}};
}

std::string DecodeListText(const TextEncoding& encoding, std::string_view bytes) {
    if (encoding.IsUtf8() || IsAscii(bytes)) {
        return std::string(bytes);
    }
    return ToUtf8(encoding, bytes).value_or(std::string(bytes));
}

}  // namespace kelvarin
