// How a list run (or a check of a published list) ended, and the exit
// status each ending amounts to, so that every command maps it the same way.
#pragma once

namespace kelvarin {

enum class FileListOutcome {
    kWritten,           // the list file is in place
    kNoRoot,            // no root folder set, or it is not a folder
    kRootBusy,          // another run holds the root; nothing written
    kUnreadableFolder,  // a folder under the root could not be read; nothing written
    kRefusedNames,      // names that the client cannot hold; nothing written
    kUnreadableFile,    // a file could not be read; nothing written
    kOutputNotRegular,  // the list or companion path is a link, FIFO, device or folder
    kCannotWrite,       // the list or companion could not be written (kWriteErrorText shown)
    kStopped,           // asked to stop before the list was written; nothing written
};

// kExitOk for kWritten; kExitRefused when the run was refused before it
// read a file (no root, busy, an unreadable folder, an output that is not
// a regular file); else kExitFailed.
int ExitStatusOf(FileListOutcome outcome);

}  // namespace kelvarin
