// The tree scan: every file under a folder, at any depth, as its real path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelvarin {

// A folder the scan could not open or list, and why in words.
struct UnreadableFolder {
    std::string path;
    std::string reason;
    bool operator==(const UnreadableFolder&) const = default;
    // "the folder PATH cannot be read (REASON)", for every run that stops on it.
    std::string Describe() const {
        return "the folder " + path + " cannot be read (" + reason + ")";
    }
};

// What a scan met besides files. A folder that cannot be opened or listed
// contributes nothing and is added to `unreadable`, so that a run that
// cannot see everything can stop. A link to a folder that contains it (a
// loop) is not followed and is added to `loops`; a folder the scan's
// stops name is not entered and is added to `stoppedAt`. Every other
// link is followed and counted; a folder reached by two paths is entered
// under both.
struct ScanReport {
    std::vector<UnreadableFolder> unreadable;
    std::vector<std::string> loops;
    std::vector<std::string> stoppedAt;
    std::size_t linksFollowed = 0;
};

// A folder by device and inode, as stat gives them.
struct FolderId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FolderId&) const = default;
};

// The folder at `path` and every folder above it, by id (links resolved).
// Empty when `path` cannot be resolved.
std::vector<FolderId> FolderAndItsParents(const std::string& path);

// The folders a scan does not enter: those of `folders`, however reached,
// and, reached by a link, any folder below `below`.
struct ScanStops {
    std::vector<FolderId> folders;
    std::optional<FolderId> below;
};

// The stops that keep a scan out of the folder at `path`: the folder, every
// folder above it (the scan would reach it again from there) and, through
// links, every folder below it. Empty when `path` cannot be resolved.
ScanStops StopsAround(const std::string& path);

// Appends to `files` the path of every non-directory entry under `folder`
// (hidden files and files of every kind included), depth first. Each path is
// the canonical absolute folder (case kept, no trailing '/'), '/', and the
// name as the file system gives it. Inside each folder entries are taken in
// NTFS order: names compared byte by byte with ASCII a-z taken as A-Z, ties
// by the raw bytes. `folder` may be relative, may end in '/'. What else was
// met goes to `report` when given. `files` is never emptied or reordered. An
// empty `folder` names no folder: nothing is appended.
void CollectFiles(const std::string& folder, std::vector<std::string>& files,
                  ScanReport* report = nullptr, const ScanStops& stops = {});

}  // namespace kelvarin
