// Test helpers whose doing differs by system (posix/, windows/): a path that
// names neither a regular file nor a folder, symbolic links, and a stop
// signal sent to this process as a user would send it.
#pragma once

#include <filesystem>
#include <string>

namespace kelvarin::test {

// A FIFO made in `folder` on POSIX; the NUL device on Windows, which has no
// FIFOs that a path in a folder could name.
std::string MakeSpecialFile(const std::filesystem::path& folder);

// Makes `link` a symbolic link to `target` (a folder link when `folder`);
// false where the system cannot (Wine says yes to CreateSymbolicLinkW and
// makes nothing), for the test to skip what needs one.
bool MakeLink(const std::filesystem::path& target, const std::filesystem::path& link,
              bool folder = false);

// SIGINT or SIGTERM to the process on POSIX; Ctrl+C or Ctrl+Break to the
// console on Windows.
void SendStopSignal(int signal);

}  // namespace kelvarin::test
