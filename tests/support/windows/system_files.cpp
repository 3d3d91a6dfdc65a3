#include <windows.h>

#include <csignal>

#include "tests/support/system_files.h"

namespace kelvarin::test {

std::string MakeSpecialFile(const std::filesystem::path&) {
    return "\\\\.\\NUL";
}

bool MakeLink(const std::filesystem::path& target, const std::filesystem::path& link, bool folder) {
    const DWORD flags =
        SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE | (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0);
    return CreateSymbolicLinkW(link.c_str(), target.c_str(), flags) != 0 &&
           GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void SendStopSignal(int signal) {
    GenerateConsoleCtrlEvent(signal == SIGINT ? CTRL_C_EVENT : CTRL_BREAK_EVENT, 0);
}

}  // namespace kelvarin::test
