// The root lock's words, alike on every system.
#include "fileio/root_lock.h"

namespace kelvarin {

std::string RootLock::BusyMessage(const std::string& root) const {
    return "Another run is working on the root folder " + root +
           (m_reason.empty() ? "" : " (" + m_reason + ")") + "; try again when it has finished.";
}

std::string RootLock::Warning(const std::string& root, std::string_view work) const {
    if (m_state != State::kUnsupported) {
        return {};
    }
    return "the root folder " + root + " cannot be locked (" + m_reason + "); the " +
           std::string(work) + " goes on without the lock";
}

}  // namespace kelvarin
