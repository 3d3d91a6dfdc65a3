// Test helpers whose doing differs by system (posix/, windows/): a path that
// names neither a regular file nor a folder, symbolic links, another process
// and a stop signal sent to this process as a user would send it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace kelvarin::test {

// A FIFO made in `folder` on POSIX; the NUL device on Windows, which has no
// FIFOs that a path in a folder could name.
std::string MakeSpecialFile(const std::filesystem::path& folder);

// Why a test skips the cases that need a link where MakeLink makes none.
inline constexpr const char* kNoLinks =
    "this system makes no symbolic links or junctions (Wine 8); the cases without one ran";

// Whether a file name may hold any byte but the separator and NUL, and two
// names may differ in case only (POSIX); Windows refuses both.
extern const bool kAnyFileName;

// Whether each stored file is flushed on its own before its rename (Windows,
// where flushing a whole volume needs administrator rights).
extern const bool kFlushesEachFile;

// Makes `link` a symbolic link to `target` (a folder link when `folder`);
// false where the system cannot (Wine says yes to CreateSymbolicLinkW and
// makes nothing), for the test to skip what needs one.
bool MakeLink(const std::filesystem::path& target, const std::filesystem::path& link,
              bool folder = false);

// SIGINT or SIGTERM to the process on POSIX; Ctrl+C or Ctrl+Break to the
// console on Windows.
void SendStopSignal(int signal);

// Another process of this program that stands still (stopped, or created
// suspended) until End or the object's end: the writer of a temporary, live
// or ended, in tests of leftovers.
class OtherProcess {
public:
    OtherProcess();
    ~OtherProcess();
    OtherProcess(const OtherProcess&) = delete;
    OtherProcess& operator=(const OtherProcess&) = delete;

    long Id() const { return m_id; }
    // Ends it and waits until it has ended. Where the system allows it
    // (Windows) the id is not given to another process while this lives.
    void End();

private:
    long m_id = 0;
    [[maybe_unused]] std::intptr_t m_handle = 0;  // Windows: the process handle
    bool m_running = false;
};

}  // namespace kelvarin::test
