// The questions the dialog asks through standard windows: a folder (the
// root folder, the source of an import), where to save the file list,
// whether to stop a run, and its own notices. They sit behind this
// interface so that tests can answer them without a modal window; the
// program uses NativeChoosers. Texts and paths are UTF-8.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace kelvarin::win {

class Choosers {
public:
    virtual ~Choosers() = default;

    // A folder, starting at `initialFolder` (or the whole name space when it
    // is empty); nullopt when the user cancels or picks an item that is not
    // a folder of the file system. REQUIRES: called on the GUI thread.
    virtual std::optional<std::string> ChooseFolder(HWND owner, const std::string& title,
                                                    const std::string& initialFolder) = 0;
    // A file to save, starting at `initialPath` (folder and name); a name
    // typed without a suffix gets `defaultSuffix`; an existing file is
    // confirmed first. REQUIRES: called on the GUI thread.
    virtual std::optional<std::string> ChooseSaveFile(HWND owner, const std::string& initialPath,
                                                      const std::string& defaultSuffix) = 0;
    virtual bool AskYesNo(HWND owner, const std::string& question) = 0;
    // The application's own message box, owned by `owner`.
    virtual void ShowMessage(HWND owner, const std::string& text) = 0;
};

// The system's folder browser, save dialog and message boxes.
class NativeChoosers final : public Choosers {
public:
    std::optional<std::string> ChooseFolder(HWND owner, const std::string& title,
                                            const std::string& initialFolder) override;
    std::optional<std::string> ChooseSaveFile(HWND owner, const std::string& initialPath,
                                              const std::string& defaultSuffix) override;
    bool AskYesNo(HWND owner, const std::string& question) override;
    void ShowMessage(HWND owner, const std::string& text) override;
};

// The caption of the application's message boxes.
inline constexpr wchar_t kAppName[] = L"Kelvarin";

}  // namespace kelvarin::win
