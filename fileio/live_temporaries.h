// The temporaries this process has made and not yet renamed or removed, so
// that a stop signal can remove them before the process ends: a stopped run
// leaves nothing behind but the files it had completed.
#pragma once

#include <cstddef>
#include <string>

#include "fileio/file_descriptor.h"

namespace kelvarin {

// Creates `path` as a new file (O_EXCL, mode 0666 less the umask) and
// remembers it. Not open, with errno set, when it cannot be created or once
// RemoveLiveTemporaries has run (ECANCELED).
FileDescriptor CreateLiveTemporary(const std::string& path);

// Forgets `path` once it has been renamed into place or removed.
void ForgetLiveTemporary(const std::string& path);

// Removes every remembered temporary and refuses to create more; for the
// moment just before the process ends. Returns how many were removed.
std::size_t RemoveLiveTemporaries();

}  // namespace kelvarin
