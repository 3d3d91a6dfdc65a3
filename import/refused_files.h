// Source files that the client could not hold, found before the deal so
// that no worker touches their stored files: names with a character that
// Windows refuses, and files whose published names are equal (they differ
// only in case, and would share one stored file).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvarin {

enum class RefusalReason {
    kNameNotHeld,        // a character that the client's file system refuses
    kNameDiffersInCase,  // another source file has the same published name
};

struct RefusedFile {
    std::string path;  // the real path, as the scan gave it
    RefusalReason reason = RefusalReason::kNameNotHeld;
    bool operator==(const RefusedFile&) const = default;
};

// The reason as the log shows it.
std::string_view RefusalText(RefusalReason reason);

// Moves the refused files of `files` into the result, in scan order, and
// keeps the others in `files`, in their order. Every file of a group whose
// published names are equal is refused, so neither overwrites the other.
// REQUIRES: every entry of `files` lies below `sourceRoot` (canonical).
std::vector<RefusedFile> TakeRefusedFiles(std::vector<std::string>& files,
                                          std::string_view sourceRoot);

}  // namespace kelvarin
