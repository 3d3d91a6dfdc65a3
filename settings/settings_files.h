// The two settings files that the tool keeps in the current directory:
// root.folder (the root folder) and exclude.list (names whose pack flag is 0).
#pragma once

#include <string>
#include <vector>

#include "fileio/replace_file.h"

namespace kelvarin {

constexpr char kRootFolderFile[] = "root.folder";
constexpr char kExcludeListFile[] = "exclude.list";

// The root folder kept in `path`: its first line (CR LF or LF ending cut),
// in canonical form; empty when the file is missing, unreadable or empty.
// `problem` (when given) says why a file that is there could not be read
// whole: not a regular file (never waited on), too large, a read error.
std::string ReadRootFolderFile(const std::string& path = kRootFolderFile,
                               std::string* problem = nullptr);

// Writes `rootPath` to `path` exactly, with no line end, replacing the file
// safely (never a link or anything else that is not a regular file).
WriteOutcome WriteRootFolderFile(const std::string& rootPath,
                                 const std::string& path = kRootFolderFile);

// The white-space-separated entries of `path`, in file order, duplicates
// kept, entries of any length read whole; empty when the file is missing
// or cannot be read whole (then `problem` says why, as above).
std::vector<std::string> ReadExcludeListFile(const std::string& path = kExcludeListFile,
                                             std::string* problem = nullptr);

}  // namespace kelvarin
