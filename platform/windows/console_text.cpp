// The C runtime opens the standard streams in text mode, which stops
// reading at the first 0x1A byte and writes every LF as CR LF: packed data
// and reports would not survive, so they are set to binary. A console shows
// narrow text in its own code page, whatever the process's, so text for it
// goes out as UTF-16 through WriteConsoleW. Colours are the console's
// escapes, switched on with ENABLE_VIRTUAL_TERMINAL_PROCESSING; a console
// that refuses them is treated like a pipe (no colours, no redrawn line).
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <string>

#include "fileio/windows/win32_text.h"
#include "platform/console_text.h"

namespace kelvarin {

namespace {

// The console behind `stream`, or nullptr when it is a pipe or file.
// (_isatty says yes to the NUL device too; GetConsoleMode does not.)
HANDLE ConsoleOf(std::FILE* stream, DWORD* mode = nullptr) {
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD ignored = 0;
    const bool console = handle != INVALID_HANDLE_VALUE &&
                         GetConsoleMode(handle, mode != nullptr ? mode : &ignored) != 0;
    return console ? handle : nullptr;
}

}  // namespace

void PrepareStandardStreams() {
    for (std::FILE* stream : {stdin, stdout, stderr}) {
        ::_setmode(::_fileno(stream), _O_BINARY);
    }
    for (std::FILE* stream : {stdout, stderr}) {
        DWORD mode = 0;
        if (HANDLE console = ConsoleOf(stream, &mode)) {
            SetConsoleMode(console,
                           mode | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
        }
    }
}

bool IsTerminal(std::FILE* stream) {
    DWORD mode = 0;
    return ConsoleOf(stream, &mode) != nullptr && (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

bool WriteText(std::FILE* stream, std::string_view text) {
    HANDLE console = ConsoleOf(stream);
    if (console == nullptr) {
        return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
    }
    // What the stream still buffers goes first, to keep the order.
    std::fflush(stream);
    const std::wstring wide = WideOf(text);
    std::size_t done = 0;
    while (done < wide.size()) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 1 << 14));
        if (!WriteConsoleW(console, wide.data() + done, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

}  // namespace kelvarin
