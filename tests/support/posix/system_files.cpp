#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "tests/support/system_files.h"

namespace kelvarin::test {

const bool kAnyFileName = true;
const bool kFlushesEachFile = false;

std::string MakeSpecialFile(const std::filesystem::path& folder) {
    const std::string path = (folder / "fifo").string();
    if (::mkfifo(path.c_str(), 0600) != 0) {
        throw std::runtime_error("mkfifo failed");
    }
    return path;
}

bool MakeLink(const std::filesystem::path& target, const std::filesystem::path& link, bool folder) {
    if (folder) {
        std::filesystem::create_directory_symlink(target, link);
    } else {
        std::filesystem::create_symlink(target, link);
    }
    return true;
}

void SendStopSignal(int signal) {
    ::kill(::getpid(), signal);
}

OtherProcess::OtherProcess() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::raise(SIGSTOP);
        ::_exit(0);
    }
    int stopped = 0;
    if (child < 0 || ::waitpid(child, &stopped, WUNTRACED) != child) {
        throw std::runtime_error("cannot start another process");
    }
    m_id = child;
    m_running = true;
}

OtherProcess::~OtherProcess() {
    End();
}

void OtherProcess::End() {
    if (m_running) {
        ::kill(static_cast<pid_t>(m_id), SIGKILL);
        ::waitpid(static_cast<pid_t>(m_id), nullptr, 0);
        m_running = false;
    }
}

}  // namespace kelvarin::test
