// printf for the command line's text: formatted, then written through
// WriteText, so that a Windows console shows UTF-8 names correctly and a
// pipe gets the same bytes on every system.
#pragma once

#include <string>

#ifdef __MINGW32__
#define KELVARIN_PRINTF(formatAt, argumentsAt) \
    __attribute__((format(gnu_printf, formatAt, argumentsAt)))
#else
#define KELVARIN_PRINTF(formatAt, argumentsAt) \
    __attribute__((format(printf, formatAt, argumentsAt)))
#endif

namespace kelvarin::cli {

// To standard output.
void Print(const char* format, ...) KELVARIN_PRINTF(1, 2);
// To standard error.
void PrintError(const char* format, ...) KELVARIN_PRINTF(1, 2);

}  // namespace kelvarin::cli
