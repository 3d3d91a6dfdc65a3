// What the tree scan asks the system, one implementation per system: open
// a folder and learn which one it is, read its entries, and tell whether a
// folder lies below another. The walk itself (order, loops, stops, paths)
// is the same everywhere and lives in collect_files.cpp.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fileio/file_descriptor.h"
#include "scan/collect_files.h"

namespace kelvarin {

// One entry of a folder: its name lies in the folder's name store.
struct FolderEntry {
    std::size_t offset;
    std::size_t length;
    bool isFolder;  // links followed: a link to a folder is a folder
    bool isLink;
};

// A folder opened for the walk. Where the system lists folders through a
// descriptor, `listing` holds it, so that children open relative to it and
// paths of any length work; where it lists by path, `listing` stays closed.
struct OpenedFolder {
    FolderId id;
    FileDescriptor listing;
};

// Opens the folder at the canonical path `path`, links followed. nullopt,
// with `error` set, when it cannot be opened or is no folder.
std::optional<OpenedFolder> OpenFolderAt(const std::string& path, int& error);

// Opens the sub-folder `name` of `parent`, whose path with its trailing
// separator is `parentPrefix`, links followed.
std::optional<OpenedFolder> OpenSubFolder(const OpenedFolder& parent,
                                          const std::string& parentPrefix, std::string_view name,
                                          int& error);

// Appends every entry of `folder` (path with trailing separator `prefix`)
// but "." and ".." to `names` and `entries`, in the system's order. Returns
// 0, or the errno of a listing that broke off.
int ReadFolderEntries(const OpenedFolder& folder, const std::string& prefix, std::string& names,
                      std::vector<FolderEntry>& entries);

// Whether `folder` (at `path`) lies below the folder `id`.
bool FolderLiesBelow(const OpenedFolder& folder, const std::string& path, const FolderId& id);

// The id of what `path` names, links followed; nullopt when it cannot be asked about.
std::optional<FolderId> IdOfPath(const std::string& path);

}  // namespace kelvarin
