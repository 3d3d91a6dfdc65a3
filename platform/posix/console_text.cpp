// A POSIX terminal takes UTF-8 and escapes as they are; streams have no
// text mode.
#include <unistd.h>

#include "platform/console_text.h"

namespace kelvarin {

void PrepareStandardStreams() {}

bool IsTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) == 1;
}

bool WriteText(std::FILE* stream, std::string_view text) {
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
}

}  // namespace kelvarin
