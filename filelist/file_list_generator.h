// Generate File List without the user interface: the dialog and the command
// line both drive it. It scans the root, digests every file, builds the list
// in memory and compresses it into its companion (<list path>.bin). Both are
// written in full to temporaries first and only then put in place, the
// companion first, so a run that stops at any point before (an unreadable
// file, names the client cannot hold, a failed write) leaves the old pair as
// it was, and a new list always has its new companion beside it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "codec/lzss_window.h"
#include "fileio/root_lock.h"
#include "filelist/list_outcome.h"
#include "filelist/listed_files.h"
#include "platform/text_encoding.h"
#include "scan/run_notes.h"

namespace kelvarin {

// Called after each file's element is in the list, in list order: files
// done so far, files in all, and the file's published name. Calls come one
// at a time but possibly from a worker thread, not the caller's.
using FileListProgress =
    std::function<void(std::size_t done, std::size_t total, const std::string& name)>;

struct FileListRequest {
    std::string rootPath;                  // the root folder, in any form
    std::string listPath;                  // where the list goes; empty: the root's default
    std::vector<std::string> excludeList;  // exclude.list entries
    FileListProgress progress;             // may be empty
    unsigned workers = 0;                  // files worked on at once; 0: one per core
    // When set, the run begins no further file and writes nothing.
    const std::atomic<bool>* stop = nullptr;
    // The names in the list, and the entries of excludeList, are in this
    // encoding (list_encoding.h).
    TextEncoding listEncoding = {};
};

struct FileListResult {
    FileListOutcome outcome = FileListOutcome::kWritten;
    std::string listPath;  // the list file that was (or was to be) written
    // For every outcome but kWritten: what went wrong, naming the files.
    std::string message;
    // The files `message` names, below the root, with why each (names the
    // client cannot hold, a file that could not be read).
    std::vector<UnlistableFile> namedFiles;
    // Stored files (".aup") that are damaged: their stream ends before its
    // end marker or their length field disagrees. They are listed as they
    // are; an import of their sources writes them anew.
    std::vector<std::string> damagedFiles;  // paths below the root
    // Every listed file: its published name and length, in list order.
    struct Entry {
        std::string name;
        std::uint64_t length = 0;
    };
    std::vector<Entry> listed;
    // exclude.list entries that name no listed file.
    std::vector<std::string> unmatchedExclusions;
    // Temporaries of stopped runs, below the root, when they were kept.
    std::vector<std::string> temporaries;
    std::size_t fileCount = 0;  // elements in the list
    // A root that could not be locked (the run went on without), the links
    // met, and the temporaries of stopped runs removed.
    RunFindings findings;
    // Not empty: the list and companion found in place did not agree (a run
    // was stopped between putting them in place); both were written anew.
    std::string mismatchWarning;
    std::uint64_t totalBytes = 0;  // their lengths added up
    bool Written() const { return outcome == FileListOutcome::kWritten; }
};

// May run on any thread; it starts worker threads of its own.
FileListResult WriteFileList(const FileListRequest& request);

}  // namespace kelvarin
