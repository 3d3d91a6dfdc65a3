// The deal of an import's files over its workers: round-robin, so that list
// k holds entries k, k+4, k+8, ... in scan order, the list sizes differ by at
// most one, and a message's (file index, worker index) names one entry of
// the whole list.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "import/import_messages.h"

namespace kelvarin {

using WorkerFileLists = std::array<std::vector<std::string>, kImportWorkerCount>;

// Why each failed file failed: entry i of list k for entry i of worker k's
// file list. A worker fills an entry before it posts WM_IMPORT_FAILED for
// that file and the receiver reads it after taking the message, so the
// message queue orders the two.
using FailureReasons = WorkerFileLists;

// Empties the four lists, then appends entry i of `allFiles` to list i mod 4.
void DealFiles(const std::vector<std::string>& allFiles, WorkerFileLists& workerFiles);

}  // namespace kelvarin
