// Generate File List without the user interface: the dialog and the command
// line both drive it. It runs in two steps because the dialog tells the user
// that the list is complete before the companion is written:
//   1. WriteFileList: scan the root, digest every file, write the list file;
//   2. WriteFileListCompanion: compress the list into <list path>.bin.
// The list is built in memory and replaces the old one only when complete;
// a run that stops (an unreadable file, names the client cannot hold, a
// failed write) leaves the old list and its companion as they were.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "codec/lzss_window.h"
#include "fileio/root_lock.h"

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
};

enum class FileListOutcome {
    kWritten,           // the list file is in place
    kNoRoot,            // no root folder set, or it is not a folder
    kRootBusy,          // another run holds the root; nothing written
    kUnreadableFolder,  // a folder under the root could not be read; nothing written
    kRefusedNames,      // names that the client cannot hold; nothing written
    kUnreadableFile,    // a file could not be read; nothing written
    kCannotWrite,       // the list file could not be written ("error write file" was shown)
};

struct FileListResult {
    FileListOutcome outcome = FileListOutcome::kWritten;
    std::string listPath;  // the list file that was (or was to be) written
    // For every outcome but kWritten: what went wrong, naming the files.
    std::string message;
    std::vector<std::string> problemFiles;  // paths below the root of the files named
    // Stored files (".aup") that are damaged: their stream ends before its
    // end marker or their length field disagrees. They are listed as they
    // are; an import of their sources writes them anew.
    std::vector<std::string> damagedFiles;  // paths below the root
    std::size_t fileCount = 0;              // elements in the list
    // Held from the list to its companion: keep the result until both are
    // written. Not empty in lockWarning: the root could not be locked.
    std::shared_ptr<const RootLock> lock;
    std::string lockWarning;
    std::uint64_t totalBytes = 0;  // their lengths added up
    bool Written() const { return outcome == FileListOutcome::kWritten; }
};

// Step 1. May run on any thread; it starts worker threads of its own.
FileListResult WriteFileList(const FileListRequest& request);

// Step 2: compresses the file at `listPath` into `listPath` + ".bin", in
// `work`. Returns CompressFile's result: 1 when the companion was written; 0
// when there is no list to compress (nothing reported) or the companion
// could not be written ("error write file" was shown).
int WriteFileListCompanion(const std::string& listPath, LzssWindow& work);

}  // namespace kelvarin
