// The --changed file: the paths a run wrote (or removed), one per line, in
// the form that `rsync --files-from` and similar upload steps take. Names
// that the client can hold never contain a line end.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvarin::cli {

// `relative`, a path below a folder, with '/' between its folders whatever
// the system's separator: the form upload steps and JSON readers take.
std::string UploadName(std::string_view relative);

// Writes `paths` to `file`, replacing it; those below the root in UploadName form. Returns the exit
// status for a failure (its message printed), or 0.
int WriteChangedList(const std::string& file, const std::vector<std::string>& paths);

// Removes the --changed file of an earlier run before this one puts
// anything in place, so a run stopped before it writes its own never leaves
// an old file that names less than was published. A problem is told.
void WithdrawChangedList(const std::string& file);

}  // namespace kelvarin::cli
