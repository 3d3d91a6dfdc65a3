// Creation of the folders that a stored file's path needs.
#pragma once

#include <string>

namespace kelvarin {

// Creates every missing directory along `path` (a folder path; '/' is the
// separator), outermost first. Failures are passed over: the write that
// follows finds out whether the folder is there. Returns 1 in every case.
int MakeDirectories(const std::string& path);

}  // namespace kelvarin
