// The tree scan: every file under a folder, at any depth, as its real path.
#pragma once

#include <string>
#include <vector>

namespace kelvarin {

// Appends to `files` the path of every non-directory entry under `folder`
// (hidden files and files of every kind included), depth first. Each path is
// the canonical absolute folder (case kept, no trailing '/'), '/', and the
// name as the file system gives it. Inside each folder entries are taken in
// NTFS order: names compared byte by byte with ASCII a-z taken as A-Z, ties
// by the raw bytes. `folder` may be relative, may end in '/'. A folder that
// cannot be listed contributes nothing and nothing is reported; a directory
// reached twice through links is not entered again. `files` is never
// emptied or reordered. An empty `folder` names no folder: nothing is
// appended.
void CollectFiles(const std::string& folder, std::vector<std::string>& files);

// The absolute, lexically canonical form of a folder path: relative paths
// resolved against the current directory, "." and ".." resolved, no doubled
// or trailing '/' (except "/" itself), case kept. Symbolic links are not
// resolved. Empty when `folder` is relative and the current directory
// cannot be determined.
std::string CanonicalFolder(const std::string& folder);

}  // namespace kelvarin
