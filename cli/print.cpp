#include "cli/print.h"

#include <cstdarg>
#include <cstdio>

#include "platform/console_text.h"

namespace kelvarin::cli {

namespace {

void PrintTo(std::FILE* stream, const char* format, std::va_list arguments) {
    std::va_list again;
    va_copy(again, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, arguments);
    if (length > 0) {
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        std::vsnprintf(text.data(), text.size(), format, again);
        text.pop_back();
        // A failed write shows when standard output is checked at the end.
        WriteText(stream, text);
    }
    va_end(again);
}

}  // namespace

void Print(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    PrintTo(stdout, format, arguments);
    va_end(arguments);
}

void PrintError(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    PrintTo(stderr, format, arguments);
    va_end(arguments);
}

}  // namespace kelvarin::cli
