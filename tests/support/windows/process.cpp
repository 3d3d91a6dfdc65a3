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

// Takes the debug events of `process` until it ends, as its debugger, and
// adds the strings it sends to OutputDebugStringA to `text`.
void TakeDebugEvents(HANDLE process, std::string& text) {
    for (DEBUG_EVENT event{}; WaitForDebugEvent(&event, INFINITE);) {
        const DWORD code = event.dwDebugEventCode;
        DWORD reply = DBG_CONTINUE;
        if (code == OUTPUT_DEBUG_STRING_EVENT) {
            std::string piece(event.u.DebugString.nDebugStringLength, '\0');
            ReadProcessMemory(process, event.u.DebugString.lpDebugStringData, piece.data(),
                              piece.size(), nullptr);
            text += piece.c_str();
        } else if (code == EXCEPTION_DEBUG_EVENT &&
                   event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
            reply = DBG_EXCEPTION_NOT_HANDLED;  // the program's own, for its own handlers
        } else if (code == CREATE_PROCESS_DEBUG_EVENT || code == LOAD_DLL_DEBUG_EVENT) {
            CloseHandle(code == LOAD_DLL_DEBUG_EVENT ? event.u.LoadDll.hFile
                                                     : event.u.CreateProcessInfo.hFile);
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, reply);
        if (code == EXIT_PROCESS_DEBUG_EVENT) {
            return;
        }
    }
}

// Runs `program` with the standard handles `in`, `out` and `errors` (closed
// here; `errors` may be `out`) and gives its exit status; as its debugger
// when `debugStrings` is given, which then gets what it sent to
// OutputDebugStringA.
int Run(const std::string& program, const std::vector<std::string>& arguments,
        const std::string& folder, HANDLE in, HANDLE out, HANDLE errors,
        std::string* debugStrings = nullptr) {
    std::wstring line = Quoted(WideOf(program));
    for (const std::string& argument : arguments) {
        line.append(L" ").append(Quoted(WideOf(argument)));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = errors;
    PROCESS_INFORMATION process{};
    const DWORD flags = debugStrings ? DEBUG_ONLY_THIS_PROCESS : 0;
    const bool started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, flags,
                                        nullptr, WideOf(folder).c_str(), &startup, &process);
    DWORD status = static_cast<DWORD>(-1);
    if (started) {
        if (debugStrings) {
            TakeDebugEvents(process.hProcess, *debugStrings);
        }
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &status);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(in);
    CloseHandle(out);
    if (errors != out) {
        CloseHandle(errors);
    }
    return static_cast<int>(status);
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
    const HANDLE out = Inheritable(output, true);
    return Run(program, arguments, folder, Inheritable(input.empty() ? "NUL" : input, false), out,
               errors == output ? out : Inheritable(errors, true));
}

std::string DebugOutputOf(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& folder) {
    std::string text;  // standard streams go to NUL: they must not count
    Run(program, arguments, folder, Inheritable("NUL", false), Inheritable("NUL", true),
        Inheritable("NUL", true), &text);
    return text;
}

}  // namespace kelvarin::test
