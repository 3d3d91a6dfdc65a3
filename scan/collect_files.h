// The tree scan: every file under a folder, at any depth, as its real path.
#pragma once

#include <string>
#include <vector>

namespace kelvarin {

// A folder the scan could not open or list, and why in words.
struct UnreadableFolder {
    std::string path;
    std::string reason;
    bool operator==(const UnreadableFolder&) const = default;
};

// Appends to `files` the path of every non-directory entry under `folder`
// (hidden files and files of every kind included), depth first. Each path is
// the canonical absolute folder (case kept, no trailing '/'), '/', and the
// name as the file system gives it. Inside each folder entries are taken in
// NTFS order: names compared byte by byte with ASCII a-z taken as A-Z, ties
// by the raw bytes. `folder` may be relative, may end in '/'. A folder that
// cannot be opened or listed contributes nothing and is added to
// `unreadable` (when given), so that a run that cannot see everything can
// stop; a directory reached twice through links is not entered again.
// `files` is never emptied or reordered. An empty `folder` names no folder:
// nothing is appended.
void CollectFiles(const std::string& folder, std::vector<std::string>& files,
                  std::vector<UnreadableFolder>* unreadable = nullptr);

// The absolute, lexically canonical form of a folder path: relative paths
// resolved against the current directory, "." and ".." resolved, no doubled
// or trailing '/' (except "/" itself), case kept. Symbolic links are not
// resolved. Empty when `folder` is relative and the current directory
// cannot be determined.
std::string CanonicalFolder(const std::string& folder);

}  // namespace kelvarin
