// Which files of a root scan go into the list, and under what names. The
// list leaves out its own two files at their default place (compared by
// exact real path, so a list saved elsewhere is listed at the next run) and
// the temporaries of interrupted writes. Every other file is listed under
// its published name; a name that the client cannot hold, or two files that
// the client would see as one, refuse the whole list, since the updater
// would otherwise fetch the wrong file or none.
#pragma once

#include <string>
#include <vector>

#include "platform/text_encoding.h"

namespace kelvarin {

constexpr char kDefaultListName[] = "update_filelist.xml";
constexpr char kCompanionSuffix[] = ".bin";

// root/update_filelist.xml.
// REQUIRES: rootPath is in canonical form (CanonicalFolder).
std::string DefaultListPath(const std::string& rootPath);

struct UnlistableFile {
    std::string path;    // below the root, as on disk
    std::string reason;  // in words
};

struct ListedFiles {
    std::vector<std::string> paths;  // real paths, in scan order
    std::vector<std::string> names;  // published names, same order
    // The same names as the list writes them, in its encoding.
    std::vector<std::string> listNames;
    // The files that the client cannot hold, in scan order; empty when none.
    std::vector<UnlistableFile> refusals;
};

// Picks the files of `scanned` (CollectFiles of rootPath, in its order); a
// name that `encoding` cannot hold is refused too.
// REQUIRES: rootPath is in canonical form.
ListedFiles SelectListedFiles(const std::string& rootPath, std::vector<std::string> scanned,
                              const TextEncoding& encoding = {});

}  // namespace kelvarin
