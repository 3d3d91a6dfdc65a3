// The questions the dialog asks through standard dialogs: a folder (the root
// folder, the source of an import), where to save the file list, and whether
// to stop a run. They sit behind this interface so that tests can answer
// them without a modal window; the program uses QtChoosers.
#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace kelvarin::app {

class Choosers {
public:
    virtual ~Choosers() = default;

    // A folder, as an absolute path, starting at `initialFolder` (or the
    // current folder when it is empty); nullopt when the user cancels.
    // REQUIRES: called on the GUI thread.
    virtual std::optional<QString> ChooseFolder(QWidget* owner, const QString& title,
                                                const QString& initialFolder) = 0;

    // A file to save, starting at `initialPath` (folder and name); a name
    // typed without a suffix gets `defaultSuffix`; choosing an existing file
    // asks for confirmation first. nullopt when the user cancels.
    // REQUIRES: called on the GUI thread.
    virtual std::optional<QString> ChooseSaveFile(QWidget* owner, const QString& initialPath,
                                                  const QString& defaultSuffix) = 0;

    // Whether the user answers yes to `question`.
    // REQUIRES: called on the GUI thread.
    virtual bool AskYesNo(QWidget* owner, const QString& question) = 0;
};

}  // namespace kelvarin::app
