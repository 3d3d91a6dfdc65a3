#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>

#include "tests/support/system_files.h"

namespace kelvarin::test {

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

}  // namespace kelvarin::test
