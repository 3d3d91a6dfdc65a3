// Running a built program as a pipeline would, for the tests of the
// command line: fork and exec on POSIX, CreateProcessW on Windows; and the
// POSIX-only things those tests set up, where the system has them.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kelvarin::test {

// Runs `program` with `arguments` in `folder`, standard input from the file
// `input` (the null device when empty), standard output to the file
// `output` and standard error to `errors` (the same file for both keeps
// their order). Returns its exit status, or -1 when it did not run or exit.
int RunProgram(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& folder, const std::string& input, const std::string& output,
               const std::string& errors);

// What `program` sends to the system's debug output while it runs in
// `folder`: its standard error on POSIX; on Windows the strings it gives
// OutputDebugStringA, taken as its debugger (its standard streams are NUL).
std::string DebugOutputOf(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& folder);

// Makes a FIFO at `path`; false where the system has none.
bool MakeFifo(const std::string& path);

// Takes every permission from `path`; false where the system cannot (Windows
// keeps access in ACLs, which Wine does not enforce).
bool MakeUnreadable(const std::string& path);

// Runs `body` in a forked child and returns how the child ended: its exit
// status, or 256 + the signal that killed it. nullopt where the system
// cannot fork, for the test to skip.
std::optional<int> RunInChild(const std::function<void()>& body);

// Gives up root's privileges in this process (for a forked test child);
// true when it runs unprivileged now.
bool GiveUpRoot();

// How many levels of 240-byte names make a path longer than the system
// takes whole (PATH_MAX; on Windows MAX_PATH, and under Wine no more than
// the PATH_MAX beneath it).
int LevelsBeyondPathLimit();

// Makes the folders `levels` below `folder`, one inside the next, however
// long the path gets, and an empty file `file` in the last; returns its path.
std::string MakeDeepFile(const std::string& folder, const std::vector<std::string>& levels,
                         const std::string& file);

// The program and arguments that run a program without root's privileges
// (root reads every folder); empty when the tests do not run as root.
std::vector<std::string> UnprivilegedRunner();

}  // namespace kelvarin::test
