// The encoding of the names in the list. The updater reads them in its
// machine's code page (936 on the Chinese machines the client runs on), so
// the list run writes them in the one chosen, and refuses a name that
// encoding cannot hold as it refuses other names the client cannot hold.
// Names stay UTF-8 everywhere else: in the progress, the reports and the
// pack flag's comparison with exclude.list.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/text_encoding.h"

namespace kelvarin {

enum class ListEncodingChoice { kUtf8, kCp936, kSystem };

// Lists written on Windows are for that system's own code page; elsewhere
// they have always been UTF-8.
#ifdef _WIN32
constexpr ListEncodingChoice kDefaultListEncoding = ListEncodingChoice::kSystem;
#else
constexpr ListEncodingChoice kDefaultListEncoding = ListEncodingChoice::kUtf8;
#endif

// The names a choice goes by: "utf-8", "cp936", "system".
constexpr std::string_view kListEncodingNames[] = {"utf-8", "cp936", "system"};
std::string_view ListEncodingName(ListEncodingChoice choice);
std::optional<ListEncodingChoice> ParseListEncoding(std::string_view name);

// The encoding a choice stands for on this system now.
TextEncoding ResolveListEncoding(ListEncodingChoice choice);

struct EncodedName {
    std::string bytes;
    std::string refusal;  // why it cannot be written, or empty
    bool Ok() const { return refusal.empty(); }
};

// UTF-8 `name` as the list writes it in `encoding`, or the refusal
// ("cannot be written in code page 936"). A name must read back as itself,
// so a conversion that is not exact is a refusal.
EncodedName EncodeListName(const TextEncoding& encoding, std::string_view name);

// `bytes` of the list (or exclude.list) read in `encoding`, as UTF-8; the
// bytes as they are when they are not text in it, so that they still name
// nothing by mistake.
std::string DecodeListText(const TextEncoding& encoding, std::string_view bytes);

}  // namespace kelvarin
