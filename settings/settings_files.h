// The two settings files that the tool keeps in the current directory:
// root.folder (the root folder) and exclude.list (names whose pack flag is 0).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "fileio/replace_file.h"

namespace kelvarin {

constexpr char kRootFolderFile[] = "root.folder";
constexpr char kExcludeListFile[] = "exclude.list";

// What reading a settings file gave: its value, empty when the file is
// missing or could not be read whole; then `problem` says why of a file
// that is there: not a regular file (never waited on), too large, a read
// error.
template <class Value>
struct SettingsRead {
    Value value{};
    std::string problem;
};

// The root folder kept in `path`: its first line (CR LF or LF ending cut),
// in canonical form; empty when the file is missing, unreadable or empty,
// and when the line holds a byte below 0x20, only spaces or text that is
// not UTF-8 (then `problem` names the file and says which).
SettingsRead<std::string> ReadRootFolderFile(const std::string& path = kRootFolderFile);

// Writes `rootPath` to `path` exactly, with no line end, replacing the file
// safely (never a link or anything else that is not a regular file).
WriteOutcome WriteRootFolderFile(const std::string& rootPath,
                                 const std::string& path = kRootFolderFile);

// The white-space-separated entries of `path`, in file order, duplicates
// kept, entries of any length read whole; none when the file is missing or
// cannot be read whole.
SettingsRead<std::vector<std::string>> ReadExcludeListFile(
    const std::string& path = kExcludeListFile);

}  // namespace kelvarin
