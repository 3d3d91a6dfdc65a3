// The choice's names, and conversions checked both ways: the system's
// converter is asked for no best fit, and what comes back must be the name.
#include "filelist/list_encoding.h"

#include <iterator>
#include <utility>

namespace kelvarin {

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
    if (encoding.IsUtf8()) {
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
    if (encoding.IsUtf8()) {
        return std::string(bytes);
    }
    return ToUtf8(encoding, bytes).value_or(std::string(bytes));
}

}  // namespace kelvarin
