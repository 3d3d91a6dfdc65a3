// Formatting by hand rather than through printf: a list of 50,000 files has
// 1.6 million hex pairs, and each would otherwise be a formatted write.
#include "filelist/list_format.h"

#include <charconv>

namespace kelvarin {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

void AppendDecimal(std::string& text, std::int32_t value) {
    char digits[16];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
    static_cast<void>(error);  // 16 characters hold every 32-bit value
    text.append(digits, end);
}

// Each byte as two lower-case hex digits, after `separator` (empty or " ").
void AppendHex(std::string& text, const Md5Digest& digest, std::string_view separator) {
    for (const std::uint8_t byte : digest) {
        text.append(separator);
        text.push_back(kHexDigits[byte >> 4]);
        text.push_back(kHexDigits[byte & 0x0F]);
    }
}

}  // namespace

void AppendListHead(std::string& text, std::int32_t count) {
    text.append("<root count=\"");
    AppendDecimal(text, count);
    text.append("\">\n");
}

void AppendFileElement(std::string& text, const ListedFile& file) {
    text.append("    <file name=\"");
    text.append(file.name);
    text.append("\" pack=\"");
    AppendDecimal(text, file.pack);
    text.append("\" length=\"");
    AppendDecimal(text, file.length);
    text.append("\" md5=\"");
    AppendHex(text, file.md5, "");
    text.append("\"");
    text.append(" md5x=\"");
    AppendHex(text, file.md5x, " ");
    text.append("\" />\n");
}

void AppendListEnd(std::string& text) {
    text.append("</root>");
}

}  // namespace kelvarin
