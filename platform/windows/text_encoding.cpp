// Windows side of text_encoding.h: the system's code page converters,
// through UTF-16. Best-fit mappings (an "a" for "ä") are turned off: a name
// must come back as it went in, or the updater would look for another file.
#include "platform/text_encoding.h"

#include <windows.h>

#include <charconv>
#include <string>

#include "fileio/windows/win32_text.h"

namespace kelvarin {

namespace {

UINT CodePageOf(const TextEncoding& encoding) {
    UINT number = 0;
    std::from_chars(encoding.id.data(), encoding.id.data() + encoding.id.size(), number);
    return number;
}

}  // namespace

TextEncoding CodePageEncoding(unsigned number) {
    return {std::to_string(number), "code page " + std::to_string(number)};
}

TextEncoding SystemTextEncoding() {
    // The system locale asked for by its name: Wine 8 refuses
    // LOCALE_NAME_SYSTEM_DEFAULT with ERROR_INVALID_PARAMETER.
    WCHAR locale[LOCALE_NAME_MAX_LENGTH] = {};
    DWORD codePage = 0;
    const bool got = ::GetSystemDefaultLocaleName(locale, LOCALE_NAME_MAX_LENGTH) != 0 &&
                     ::GetLocaleInfoEx(locale, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                                       reinterpret_cast<LPWSTR>(&codePage),
                                       sizeof codePage / sizeof(WCHAR)) != 0;
    // 0: a system locale with no ANSI code page, whose programs use Unicode.
    if (!got || codePage == 0 || codePage == CP_UTF8) {
        return {};
    }
    return CodePageEncoding(codePage);
}

std::optional<std::string> FromUtf8(const TextEncoding& encoding, std::string_view utf8) {
    if (utf8.empty()) {
        return std::string();
    }
    const std::wstring wide = WideOf(utf8);
    const UINT codePage = CodePageOf(encoding);
    const int wideLength = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    const int length = ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                                             wideLength, nullptr, 0, nullptr, &usedDefault);
    if (length <= 0 || usedDefault) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, bytes.data(),
                          length, nullptr, &usedDefault);
    if (usedDefault) {
        return std::nullopt;
    }
    return bytes;
}

std::optional<std::string> ToUtf8(const TextEncoding& encoding, std::string_view bytes) {
    if (bytes.empty()) {
        return std::string();
    }
    const UINT codePage = CodePageOf(encoding);
    const int byteLength = static_cast<int>(bytes.size());
    const int length =
        ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), byteLength, nullptr, 0);
    if (length <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), byteLength, wide.data(),
                          length);
    return Utf8Of(wide);
}

}  // namespace kelvarin
