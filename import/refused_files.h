// Source files that the client could not hold, found before the deal so
// that no worker touches their stored files. The reasons are the scan's
// name policy (scan/client_names.h), the same that stops a file list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scan/client_names.h"

namespace kelvarin {

struct RefusedFile {
    std::string path;  // the real path, as the scan gave it
    RefusalReason reason = RefusalReason::kNameNotHeld;
    std::uint64_t bytes = 0;  // its size, for reports; measured once the run has started
    bool operator==(const RefusedFile&) const = default;
};

// Moves the refused files of `files` into the result, in scan order, and
// keeps the others in `files`, in their order. Every file of a group whose
// published names are equal is refused, so neither overwrites the other;
// so is a file whose stored file would be a folder already under
// `rootPath` (when given).
// REQUIRES: every entry of `files` lies below `sourceRoot` (canonical).
std::vector<RefusedFile> TakeRefusedFiles(std::vector<std::string>& files,
                                          std::string_view sourceRoot,
                                          const std::string& rootPath = {});

}  // namespace kelvarin
