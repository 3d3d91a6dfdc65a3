// The messages that import workers post to their MessageWindow, and the
// number of workers an import runs. Every message carries the file's index
// in the worker's own list (0 for WM_IMPORT_FINISHED) and the worker's
// index, so a receiver that keeps a copy of the four lists can name the file.
#pragma once

#include "platform/message_window.h"

namespace kelvarin {

// A stored file that existed and differed has been rewritten.
constexpr unsigned WM_IMPORT_UPDATED = kWmUser + 100;
// A source file without a stored file has been stored.
constexpr unsigned WM_IMPORT_ADDED = kWmUser + 101;
// The worker has begun a file; posted first for every file.
constexpr unsigned WM_IMPORT_PROGRESS = kWmUser + 102;
// The worker is done; its last message, posted exactly once.
constexpr unsigned WM_IMPORT_FINISHED = kWmUser + 103;
// The file could not be stored (its source could not be read, or the stored
// file could not be written); posted in place of UPDATED or ADDED, so that a
// failure is never counted as done. The stored file was left as it was.
constexpr unsigned WM_IMPORT_FAILED = kWmUser + 104;
// The run was asked to stop while the file was in work: it was given up,
// its temporary removed, and its stored file left as it was. Posted in place
// of UPDATED, ADDED or FAILED.
constexpr unsigned WM_IMPORT_ABANDONED = kWmUser + 105;

// An import starts this many workers unless told otherwise (the dialog
// always), also for fewer files.
constexpr int kImportWorkerCount = 4;
// The most workers one import may start.
constexpr int kMaxImportWorkerCount = 64;

}  // namespace kelvarin
