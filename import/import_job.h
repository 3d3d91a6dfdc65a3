// The argument record of one import worker. Its file list is shared with the
// thread that started it, read-only: nobody changes a run's lists while its
// workers live, so no copy per worker is needed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codec/stored_file.h"
#include "import/import_progress.h"
#include "import/linked_folders.h"
#include "platform/message_window.h"

namespace kelvarin {

struct ImportJob {
    // Receives every message of the worker; must outlive the worker's last
    // PostMessage call, which may still be returning after WM_IMPORT_FINISHED
    // has been taken from the queue.
    MessageWindow* hwndDialog = nullptr;
    // Canonical root folder: stored files are written below it.
    std::string rootPath;
    // Canonical source folder: every entry of `files` lies below it.
    std::string sourceRoot;
    // This worker's source files, real paths as the tree scan gives them.
    std::shared_ptr<const std::vector<std::string>> files;
    // One entry per file of `files`: the worker writes the reason of each
    // failure there before it posts WM_IMPORT_FAILED.
    std::shared_ptr<std::vector<std::string>> failureReasons;
    std::int32_t workerIndex = 0;
    // Decide and report as usual, but write nothing.
    bool dryRun = false;
    // Shared by all workers of the run and its receiver; never null.
    std::shared_ptr<ImportProgress> progress = std::make_shared<ImportProgress>();
    // The stored folders reached through a link: their files fail. Shared
    // by all workers of the run; null when there are none.
    std::shared_ptr<const LinkedFolders> linkedFolders = nullptr;
    // A stored file past this size fails (tests lower it).
    std::uint64_t maxStoredSize = kMaxFieldLength;
};

}  // namespace kelvarin
