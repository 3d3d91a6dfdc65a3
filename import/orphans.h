// Stored files whose source is gone: an import never removes a stored file,
// so a file deleted from the build stays published until someone says so.
// The search and the removal run under the root's lock, like an import, so
// no run writes the root while its orphans are decided.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelvarin {

// The stored files (".aup") among `rootFiles`, as paths below `root`, in
// their order, that no file of `sourceFiles` would be stored as. Files under
// the root that are not stored files (the list, its .bin, anything else)
// are never orphans.
// REQUIRES: `root` and `source` are canonical; the files are as the scan
// gives them below each.
std::vector<std::string> OrphanStoredFiles(const std::string& source,
                                           const std::vector<std::string>& sourceFiles,
                                           const std::string& root,
                                           const std::vector<std::string>& rootFiles);

enum class OrphanAction {
    kFound,    // listed only
    kRemoved,  // deleted
    kFailed,   // could not be deleted: `reason`
    kKept,     // never removed, listed or not: `reason` says why
};

struct Orphan {
    std::string stored;     // below the root ("data/a.txt.aup")
    std::string published;  // the name its source had in the list ("data\a.txt")
    std::uint64_t bytes = 0;
    OrphanAction action = OrphanAction::kFound;
    std::string reason;
};

struct OrphanSearch {
    // Not empty: nothing was looked at or removed, and this says why.
    std::string refusal;
    std::vector<Orphan> orphans;
    bool Refused() const { return !refusal.empty(); }
};

enum class OrphanDeletion { kListOnly, kDelete };

// The orphans of `rootPath` against the source folder `sourcePath`, both
// seen whole, under the root's lock; with kDelete each is removed. Refused
// as an import is for the same two folders (import/folders_apart.h). Kept,
// in either mode, is an orphan that lies behind a link inside the root,
// one that another name of the same file has a source for, and anything
// that does not decode as an undamaged stored file: only those are
// removed, and never through a link.
OrphanSearch FindOrphans(const std::string& sourcePath, const std::string& rootPath,
                         OrphanDeletion deletion);

}  // namespace kelvarin
