// The deal of an import's files over its workers: round-robin, so that with
// n workers list k holds entries k, k+n, k+2n, ... in scan order, the list
// sizes differ by at
// most one, and a message's (file index, worker index) names one entry of
// the whole list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "import/import_messages.h"

namespace kelvarin {

// One list per worker.
using WorkerFileLists = std::vector<std::vector<std::string>>;

// A number for each entry of a WorkerFileLists.
using WorkerFileSizes = std::vector<std::vector<std::uint64_t>>;

// Why each failed file failed: entry i of list k for entry i of worker k's
// file list. A worker fills an entry before it posts WM_IMPORT_FAILED for
// that file and the receiver reads it after taking the message, so the
// message queue orders the two.
using FailureReasons = WorkerFileLists;

// Empties the lists, then appends entry i of `allFiles` to list i mod n,
// where n is the number of lists.
// REQUIRES: workerFiles is not empty.
void DealFiles(const std::vector<std::string>& allFiles, WorkerFileLists& workerFiles);

}  // namespace kelvarin
