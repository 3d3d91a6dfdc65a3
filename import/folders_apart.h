// The source and the root of a run kept apart. Import, orphans and verify's
// source check all take a source folder and a root; each refuses the same
// nestings with the same words, so they are decided here once: a root
// inside the source (every run would take in the last one's stored files),
// a source inside the root, and a source holding a link that leads to the
// root, to a folder above it or to one below it (the root stored into
// itself, or its stored files taken for sources).
#pragma once

#include <string>
#include <vector>

#include "scan/collect_files.h"

namespace kelvarin {

enum class Nesting {
    kApart,
    kRootInsideSource,
    kSourceInsideRoot,  // or reaching into the root, or above it, by a link
};

struct NestingCheck {
    Nesting nesting = Nesting::kApart;
    std::string message;  // why the run is refused, for the user; empty when apart
    bool Apart() const { return nesting == Nesting::kApart; }
};

// The two folders of a run, checked on their own and against each other.
struct RunFolders {
    enum class Problem {
        kNone,
        kNoRootFolder,
        kRootMissing,
        kSourceMissing,
        kRootInsideSource,
        kSourceInsideRoot,
    };
    Problem problem = Problem::kNone;
    std::string message;  // why the run is refused, for the user
    std::string root;     // canonical, when there is no problem
    std::string source;   // canonical, when there is no problem
    bool Ok() const { return problem == Problem::kNone; }
};

// The root must be set and a folder, the source a folder, and the two
// apart: what every command that takes a source and a root checks first.
RunFolders CheckRunFolders(const std::string& chosenSource, const std::string& rootPath);

// Whether `source` and `root` lie apart, as spelled and with links resolved.
// REQUIRES: both are canonical existing folders.
NestingCheck CheckNesting(const std::string& source, const std::string& root);

// Appends every file of `source` to `files` (CollectFiles), without
// entering the root, a folder above it or one below it; a link that leads
// there refuses the run, naming the link and where it leads. `report` gets
// the rest of what the scan met.
// REQUIRES: CheckNesting(source, root) found them apart.
NestingCheck CollectSourceApart(const std::string& source, const std::string& root,
                                std::vector<std::string>& files, ScanReport& report);

}  // namespace kelvarin
