// The folders below a root that are reached through a link. No run writes,
// renames or removes anything there: the link may lead out of the root, or
// to another name of a folder whose files are still wanted. Each folder is
// asked about once per run, not once per file.
#pragma once

#include <set>
#include <string>
#include <unordered_map>

namespace kelvarin {

// Folder (as DirectoryPart gives it, separator at the end) -> the first link
// on its way down from the root, as a path below the root ("shared").
using LinkedFolders = std::unordered_map<std::string, std::string>;

// Those of `folders` whose way down from `root` passes through a link. A
// folder outside the root, and one not made yet, passes through none.
// REQUIRES: `root` is canonical.
LinkedFolders FoldersBehindLinks(const std::string& root, const std::set<std::string>& folders);

// The reason a file in such a folder is not written: "lies behind the link shared".
std::string BehindLinkText(const std::string& link);

}  // namespace kelvarin
