// POSIX side of text_encoding.h: glibc's iconv, and the locale asked for
// through newlocale so that the process's own locale is left as it is.
#include "platform/text_encoding.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <string>

namespace kelvarin {

namespace {

// One iconv call over `*input` (null: the closing shift state), `out`
// grown as needed from `done` on. False when a character has no exact
// counterpart: no transliteration is asked for, and irreversible
// conversions are counted, since the text would not come back.
bool ConvertInto(iconv_t converter, char** input, std::size_t* inLeft, std::string& out,
                 std::size_t& done) {
    for (;;) {
        char* at = out.data() + done;
        std::size_t outLeft = out.size() - done;
        const std::size_t result = ::iconv(converter, input, inLeft, &at, &outLeft);
        done = out.size() - outLeft;
        if (result != static_cast<std::size_t>(-1)) {
            return result == 0;
        }
        if (errno != E2BIG) {
            return false;
        }
        out.resize(out.size() * 2);
    }
}

// `text` from one iconv codeset to another; nullopt when it cannot be
// converted exactly or a codeset is unknown.
std::optional<std::string> Convert(const char* to, const char* from, std::string_view text) {
    const iconv_t converter = ::iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::string out(text.size() * 4 + 16, '\0');
    std::size_t done = 0;
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    const bool converted = ConvertInto(converter, &in, &inLeft, out, done) &&
                           ConvertInto(converter, nullptr, nullptr, out, done);
    ::iconv_close(converter);
    if (!converted) {
        return std::nullopt;
    }
    out.resize(done);
    return out;
}

}  // namespace

TextEncoding CodePageEncoding(unsigned number) {
    return {"CP" + std::to_string(number), "code page " + std::to_string(number)};
}

TextEncoding SystemTextEncoding() {
    const locale_t locale = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr)) {
        return {};  // a locale that is not installed: the C locale
    }
    const std::string codeset = ::nl_langinfo_l(CODESET, locale);
    ::freelocale(locale);
    // ANSI_X3.4-1968 is the C and POSIX locales' ASCII.
    if (codeset.empty() || codeset == "UTF-8" || codeset == "ANSI_X3.4-1968") {
        return {};
    }
    return {codeset, codeset};
}

std::optional<std::string> FromUtf8(const TextEncoding& encoding, std::string_view utf8) {
    return Convert(encoding.id.c_str(), "UTF-8", utf8);
}

std::optional<std::string> ToUtf8(const TextEncoding& encoding, std::string_view bytes) {
    return Convert("UTF-8", encoding.id.c_str(), bytes);
}

}  // namespace kelvarin
