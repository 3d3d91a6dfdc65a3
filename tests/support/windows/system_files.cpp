#include <windows.h>

#include <csignal>
#include <stdexcept>

#include "tests/support/system_files.h"

namespace kelvarin::test {

const bool kAnyFileName = false;
const bool kFlushesEachFile = true;

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

OtherProcess::OtherProcess() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_list_tests";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(self, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                       nullptr, &startup, &process) == 0) {
        throw std::runtime_error("cannot start another process");
    }
    CloseHandle(process.hThread);
    m_id = static_cast<long>(process.dwProcessId);
    m_handle = reinterpret_cast<std::intptr_t>(process.hProcess);
    m_running = true;
}

OtherProcess::~OtherProcess() {
    End();
    CloseHandle(reinterpret_cast<HANDLE>(m_handle));
}

void OtherProcess::End() {
    const HANDLE process = reinterpret_cast<HANDLE>(m_handle);
    if (m_running) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, INFINITE);
        m_running = false;
    }
}

}  // namespace kelvarin::test
