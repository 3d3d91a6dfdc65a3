// The move out of the program's folder.
#include "win/settings_folder.h"

#include <windows.h>
// After windows.h, which it needs.
#include <knownfolders.h>
#include <shlobj.h>

#include <string>

namespace kelvarin::win {

namespace {

// `folder` without a separator at its end, so that C:\x\ and C:\x compare alike.
std::wstring Trimmed(std::wstring folder) {
    while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) {
        folder.pop_back();
    }
    return folder;
}

std::wstring CurrentFolder() {
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    return Trimmed(folder);
}

std::wstring ProgramFolder() {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return Trimmed(path.substr(0, path.find_last_of(L'\\') + 1));
}

}  // namespace

void LeaveProgramFolder() {
    const std::wstring current = CurrentFolder();
    const std::wstring program = ProgramFolder();
    // Folder names compare without regard to case, as the file system does.
    if (CompareStringOrdinal(current.c_str(), -1, program.c_str(), -1, TRUE) != CSTR_EQUAL) {
        return;
    }
    PWSTR localAppData = nullptr;
    if (FAILED(
            SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &localAppData))) {
        return;
    }
    const std::wstring settings = std::wstring(localAppData) + L"\\Kelvarin";
    CoTaskMemFree(localAppData);
    CreateDirectoryW(settings.c_str(), nullptr);  // fails harmlessly when it is there
    SetCurrentDirectoryW(settings.c_str());
}

}  // namespace kelvarin::win
