// Where a source file's stored file lies. The stored tree is lower-case,
// exactly as the file list names it: the updater asks for those names and a
// Linux web server tells case apart. The source itself is always read from
// its real path.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "codec/stored_file.h"  // kStoredFileSuffix
#include "fileio/paths.h"       // RelativeToFolder, which cuts the source off
#include "scan/client_names.h"

namespace kelvarin {

// rootPath + separator + `relative` with ASCII A-Z lower-cased + ".aup":
// the published name with the system's separator kept.
// REQUIRES: `rootPath` is canonical; `relative` is a real relative path
// ("Data/A.TXT") with no "." or ".." component.
std::string StoredFilePath(std::string_view rootPath, std::string_view relative);

// The same path below the root: `relative` with ASCII A-Z lower-cased +
// ".aup" ("data/a.txt.aup"), as upload steps name it.
std::string StoredRelativePath(std::string_view relative);

// Why the stored file `dest` below `rootPath` cannot be made on a file
// system that takes names of at most `nameLimit` bytes (".aup" counted),
// in the words a failed write gives; empty when every name of it fits.
std::string WhyStoredNameTooLong(std::string_view rootPath, const std::string& dest,
                                 std::size_t nameLimit);

}  // namespace kelvarin
