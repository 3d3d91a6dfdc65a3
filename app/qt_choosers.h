// The program's choosers: Qt's file dialogs, modal to the main dialog so
// that a second click cannot open a second chooser behind the first.
#pragma once

#include "app/choosers.h"

namespace kelvarin::app {

class QtChoosers final : public Choosers {
public:
    std::optional<QString> ChooseFolder(QWidget* owner, const QString& title,
                                        const QString& initialFolder) override;
    std::optional<QString> ChooseSaveFile(QWidget* owner, const QString& initialPath,
                                          const QString& defaultSuffix) override;
    bool AskYesNo(QWidget* owner, const QString& question) override;
};

}  // namespace kelvarin::app
