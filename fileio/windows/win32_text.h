// The boundary between the program's UTF-8 text and the system's UTF-16
// calls, and between the system's error codes and the errno values every
// layer reports with. Only the Windows implementations include this.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace kelvarin {

// UTF-16 of UTF-8 `text`; bytes that are not UTF-8 become U+FFFD.
std::wstring WideOf(std::string_view text);

// UTF-8 of UTF-16 `text`; a lone surrogate becomes U+FFFD.
std::string Utf8Of(std::wstring_view text);

// `path` for the wide file calls: '/' turned into '\', and an absolute path
// given the "\\?\" (or "\\?\UNC\") prefix so that it may be longer than
// MAX_PATH, its "." and ".." resolved first as the system would without the
// prefix. A relative path is left relative.
std::wstring WidePath(std::string_view path);

// The errno value that says what the system error `code` says, so that
// reports read alike on every system (EIO when there is no close one).
int ErrnoOf(DWORD code);

// ErrnoOf(GetLastError()).
int LastErrno();

}  // namespace kelvarin
