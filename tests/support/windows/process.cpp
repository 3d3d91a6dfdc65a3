#include <windows.h>

#include "fileio/windows/win32_text.h"
#include "tests/support/process.h"

namespace kelvarin::test {

namespace {

// `argument` quoted as CommandLineToArgvW and the C runtime take it apart.
std::wstring Quoted(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\').push_back(c);
        backslashes = 0;
    }
    return quoted.append(backslashes * 2, L'\\') + L"\"";
}

// `path` opened for the child to inherit.
HANDLE Inheritable(const std::string& path, bool write) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(WideOf(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                       write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

bool MakeFifo(const std::string&) {
    return false;
}

bool MakeUnreadable(const std::string&) {
    return false;
}

std::optional<int> RunInChild(const std::function<void()>&) {
    return std::nullopt;
}

bool GiveUpRoot() {
    return true;
}

int LevelsBeyondPathLimit() {
    return 8;
}

// "\\?\" paths (WidePath) may be longer than MAX_PATH.
std::string MakeDeepFile(const std::string& folder, const std::vector<std::string>& levels,
                         const std::string& file) {
    std::string path = folder;
    for (const std::string& name : levels) {
        path += '\\' + name;
        CreateDirectoryW(WidePath(path).c_str(), nullptr);
    }
    path += '\\' + file;
    CloseHandle(CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    return path;
}

std::vector<std::string> UnprivilegedRunner() {
    return {};
}

int RunProgram(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& folder, const std::string& input, const std::string& output,
               const std::string& errors) {
    std::wstring line = Quoted(WideOf(program));
    for (const std::string& argument : arguments) {
        line.append(L" ").append(Quoted(WideOf(argument)));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = Inheritable(input.empty() ? "NUL" : input, false);
    startup.hStdOutput = Inheritable(output, true);
    startup.hStdError = errors == output ? startup.hStdOutput : Inheritable(errors, true);
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        WideOf(folder).c_str(), &startup, &process);
    DWORD status = static_cast<DWORD>(-1);
    if (started) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &status);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(startup.hStdInput);
    CloseHandle(startup.hStdOutput);
    if (startup.hStdError != startup.hStdOutput) {
        CloseHandle(startup.hStdError);
    }
    return static_cast<int>(status);
}

}  // namespace kelvarin::test
