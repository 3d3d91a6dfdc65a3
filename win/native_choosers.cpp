// The system's choosers: SHBrowseForFolderW with an edit box in the new
// style, starting at the given folder through its initialisation callback;
// GetSaveFileNameW with an overwrite prompt; MessageBoxW. All are owned by
// the dialog, so a second click cannot open a second chooser behind them.
#include <windows.h>
// After windows.h, which they need.
#include <commdlg.h>
#include <shlobj.h>

#include <vector>

#include "fileio/windows/win32_text.h"
#include "win/choosers.h"

namespace kelvarin::win {

namespace {

// Room for the longest path the wide calls take.
constexpr std::size_t kPathRoom = 32768;

// Selects the starting folder once the browser is up; `data` is its path.
int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM /*lParam*/, LPARAM data) {
    if (message == BFFM_INITIALIZED && data != 0) {
        SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, data);
    }
    return 0;
}

// The folder part and the name part of `path`, at its last separator.
std::pair<std::wstring, std::wstring> SplitPath(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) {
        return {std::wstring(), path};
    }
    return {path.substr(0, separator + 1), path.substr(separator + 1)};
}

}  // namespace

std::optional<std::string> NativeChoosers::ChooseFolder(HWND owner, const std::string& title,
                                                        const std::string& initialFolder) {
    const std::wstring wideTitle = WideOf(title);
    const std::wstring initial = WideOf(initialFolder);
    std::vector<wchar_t> displayName(MAX_PATH, L'\0');
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pszDisplayName = displayName.data();
    info.lpszTitle = wideTitle.c_str();
    info.ulFlags = BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
    info.lpfn = BrowseCallback;
    info.lParam = initial.empty() ? 0 : reinterpret_cast<LPARAM>(initial.c_str());
    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
    if (item == nullptr) {
        return std::nullopt;
    }
    std::vector<wchar_t> path(kPathRoom, L'\0');
    const bool inFileSystem =
        SHGetPathFromIDListEx(item, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT);
    CoTaskMemFree(item);
    if (!inFileSystem || path[0] == L'\0') {
        return std::nullopt;
    }
    return Utf8Of(path.data());
}

std::optional<std::string> NativeChoosers::ChooseSaveFile(HWND owner,
                                                          const std::string& initialPath,
                                                          const std::string& defaultSuffix) {
    const auto [folder, name] = SplitPath(WideOf(initialPath));
    const std::wstring suffix = WideOf(defaultSuffix);
    std::vector<wchar_t> file(kPathRoom, L'\0');
    name.copy(file.data(), std::min(name.size(), file.size() - 1));
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = L"XML (*.xml)\0*.xml\0*.*\0*.*\0";
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrDefExt = suffix.c_str();
    // No change of the current folder: root.folder and exclude.list are there.
    dialog.Flags =
        OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&dialog)) {
        return std::nullopt;
    }
    return Utf8Of(file.data());
}

bool NativeChoosers::AskYesNo(HWND owner, const std::string& question) {
    return MessageBoxW(owner, WideOf(question).c_str(), kAppName, MB_YESNO | MB_ICONQUESTION) ==
           IDYES;
}

void NativeChoosers::ShowMessage(HWND owner, const std::string& text) {
    MessageBoxW(owner, WideOf(text).c_str(), kAppName, MB_OK);
}

}  // namespace kelvarin::win
