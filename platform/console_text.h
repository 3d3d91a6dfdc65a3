// Standard streams as the person at a console and the program at the other
// end of a pipe each need them. Text is UTF-8 inside the program; a console
// is given it in the form it shows correctly (UTF-16 on Windows, whatever
// its code page), and a pipe or file gets the bytes unchanged, LF line ends
// included, so that reports compare byte for byte across systems.
#pragma once

#include <cstdio>
#include <string_view>

namespace kelvarin {

// Standard input, output and error in binary mode (no CR LF or Ctrl+Z
// translation) and a console's colour escapes switched on where the system
// needs asking. Call once at the start of main.
void PrepareStandardStreams();

// Whether `stream` (stdout or stderr) is a terminal that shows colour and
// line-erasing escapes, rather than a pipe or file.
bool IsTerminal(std::FILE* stream);

// Writes UTF-8 `text` to `stream`: a Windows console gets it through
// WriteConsoleW, everything else the bytes through the stream. False when
// it did not go out whole.
bool WriteText(std::FILE* stream, std::string_view text);

}  // namespace kelvarin
