// The root's lock on Windows: a named mutex whose name is the root folder's
// volume serial and file index, so that every spelling of the folder (case,
// '/' or '\', a trailing separator, a drive-relative form) meets the same
// one. The mutex is never waited for: it exists while a run holds it, so
// finding it there already means busy, in this process as in another. A
// share-mode lock on the folder itself would stop its own listing.
#include <cstdio>
#include <cstring>

#include "fileio/root_lock.h"
#include "fileio/windows/win32_file.h"
#include "fileio/windows/win32_text.h"

namespace kelvarin {

struct RootLock::Hold {
    OwnedHandle mutex;
};

void RootLock::HoldDeleter::operator()(Hold* hold) const {
    delete hold;
}

RootLock RootLock::TryLock(const std::string& root) {
    RootLock lock;
    const OwnedHandle folder = OpenPath(root, FILE_READ_ATTRIBUTES, OPEN_EXISTING);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!folder.IsOpen() || !InformationOf(folder.Get(), info)) {
        lock.m_reason = std::strerror(errno);
        return lock;
    }
    wchar_t name[96];
    std::swprintf(name, std::size(name), L"Global\\kelvarin-root-%08lx-%08lx%08lx",
                  static_cast<unsigned long>(info.dwVolumeSerialNumber),
                  static_cast<unsigned long>(info.nFileIndexHigh),
                  static_cast<unsigned long>(info.nFileIndexLow));
    OwnedHandle mutex(CreateMutexW(nullptr, FALSE, name));
    const DWORD error = GetLastError();
    if (mutex.IsOpen() && error != ERROR_ALREADY_EXISTS) {
        lock.m_state = State::kHeld;
        lock.m_hold.reset(new Hold{std::move(mutex)});
    } else if (mutex.IsOpen() || error == ERROR_ACCESS_DENIED) {
        // Denied: another account's run made it.
        lock.m_state = State::kBusy;
    } else {
        lock.m_reason = std::strerror(ErrnoOf(error));
    }
    return lock;
}

}  // namespace kelvarin
