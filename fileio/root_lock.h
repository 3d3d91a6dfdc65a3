// One run per root: an import or a list run holds an exclusive lock on the
// root folder itself (on POSIX flock on the folder's descriptor, on Windows
// a named mutex for the folder's volume and file index, so no extra file is
// needed), across processes and within one. A second run is refused at
// once instead of mixing its files with the first one's. The lock goes with
// the object, or with the process however it ends.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace kelvarin {

class RootLock {
public:
    enum class State {
        kHeld,         // this run holds the root
        kBusy,         // another run holds it
        kUnsupported,  // the file system cannot lock; the run goes on without
    };

    // Tries once and never waits.
    // REQUIRES: `root` is an existing folder.
    static RootLock TryLock(const std::string& root);

    State GetState() const { return m_state; }
    // Why locking is unsupported, or (busy) who holds the lock where the
    // system says so ("process 4242, kelvarin-cli import src"), in words;
    // may be empty when busy.
    const std::string& Reason() const { return m_reason; }

    // "Another run is working on the root folder ROOT (process ...); try
    // again when it has finished."
    std::string BusyMessage(const std::string& root) const;

    // When unsupported: "the root folder ROOT cannot be locked (REASON); the
    // run goes on without the lock", with `work` for "run"; else empty.
    std::string Warning(const std::string& root, std::string_view work = "run") const;

private:
    // The system's hold on the lock (posix/, windows/ root_lock.cpp).
    struct Hold;
    struct HoldDeleter {
        void operator()(Hold* hold) const;
    };

    std::unique_ptr<Hold, HoldDeleter> m_hold;
    State m_state = State::kUnsupported;
    std::string m_reason;
};

}  // namespace kelvarin
