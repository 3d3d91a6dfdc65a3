// The few system calls that the shared code of the file layer makes, one
// implementation per system (posix/, windows/): creating, renaming,
// flushing and removing files, what a replacement keeps of the file it
// replaces, and whether a process still runs. Failures are errno values.
// Only the file layer includes this.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fileio/file_descriptor.h"

namespace kelvarin {

// Creates `path` as a new, writable file (never one that is there already);
// not open, with errno set, when it cannot. Another thread of this process
// may remove it while it is open.
FileDescriptor CreateNewFile(const std::string& path);

// Removes the file at `path`. Returns 0 or the errno.
int RemoveFileNamed(const std::string& path);

// What stands at a replacement's target before the replacement, and what of
// it the new file keeps: mode, owner and group on POSIX; attributes and
// creation time on Windows.
struct ReplacedTarget {
    bool present = false;
    bool regular = false;
    std::array<std::uint64_t, 3> kept{};
};
ReplacedTarget LookAtTarget(const std::string& path);

// Gives the temporary open at `fd` what `target` keeps, where the process may.
void KeepTargetTraits(const ReplacedTarget& target, int fd);

// Flushes the file open at `fd` to disk. Returns 0 or the errno.
int FlushFileData(int fd);

// Whether every file must be flushed on its own before its rename, because
// the system has no flush of a whole file system for an ordinary process.
bool FlushesEachFile();

// Renames `from` over `to` in one step. Returns 0 or the errno.
int RenameOver(const std::string& from, const std::string& to);

// This process's id, and whether the process `id` has ended (or never was).
long CurrentProcessId();
bool ProcessHasEnded(long id);

// The full paths of the entries directly in `folder` whose names start with
// `prefix`; empty when it cannot be listed.
std::vector<std::string> EntriesStartingWith(const std::string& folder, std::string_view prefix);

}  // namespace kelvarin
