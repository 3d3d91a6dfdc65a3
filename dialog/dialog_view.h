// What the dialog's behaviour needs from a window: the operations a toolkit
// offers, and nothing of the toolkit itself. The Qt dialog implements it on
// Linux; a native window can implement it the same way. Texts are UTF-8.
// Every operation but PostToGui is called on the GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "dialog/log_colors.h"

namespace kelvarin {

// The dialog's command buttons.
enum class DialogCommand { kImport, kGenerate };

class DialogView {
public:
    virtual ~DialogView() = default;

    // A folder, starting at `initialFolder` (or the current folder when it is
    // empty); nullopt when the user cancels.
    virtual std::optional<std::string> ChooseFolder(const std::string& title,
                                                    const std::string& initialFolder) = 0;
    // A file to save, starting at `initialPath`; a name typed without a
    // suffix gets `defaultSuffix`; an existing file is confirmed first.
    virtual std::optional<std::string> ChooseSaveFile(const std::string& initialPath,
                                                      const std::string& defaultSuffix) = 0;
    virtual bool AskYesNo(const std::string& question) = 0;
    // The application's own modal message box.
    virtual void ShowMessage(const std::string& text) = 0;

    // Appends to the log; each "\n" or "\r\n" ends a line. `scroll` asks
    // for the view to end at the last line.
    virtual void AppendLine(std::string_view text, Colorref color, bool scroll) = 0;
    // Brings the log's view up to date now.
    virtual void ScrollLog() = 0;
    virtual void SetStatus(const std::string& text) = 0;
    // The root folder box.
    virtual void SetRootText(const std::string& text) = 0;
    // Import File and Generate File List together.
    virtual void EnableCommands(bool enabled) = 0;
    // Gives the keyboard focus, visibly, to a command's button.
    virtual void FocusCommand(DialogCommand command) = 0;
    // The progress bar: `total` 0 shows it busy without a measure.
    virtual void ShowProgress(std::uint64_t done, std::uint64_t total) = 0;
    virtual void HideProgress() = 0;

    // Runs `work` on the GUI thread later, after the events waiting now.
    // Called from any thread; never blocks.
    virtual void PostToGui(std::function<void()> work) = 0;
    // Calls MainDialog::OnTimer every `intervalMs` until stopped.
    virtual void StartTimer(int intervalMs) = 0;
    virtual void StopTimer() = 0;
    // Ends the modal dialog with `result`.
    virtual void EndDialog(int result) = 0;
};

}  // namespace kelvarin
