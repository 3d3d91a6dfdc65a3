// Qt's file dialogs behind the choosers interface.
#include "app/qt_choosers.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

namespace kelvarin::app {

std::optional<QString> QtChoosers::ChooseFolder(QWidget* owner, const QString& title,
                                                const QString& initialFolder) {
    QFileDialog dialog(owner, title, initialFolder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtChoosers::ChooseSaveFile(QWidget* owner, const QString& initialPath,
                                                  const QString& defaultSuffix) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.setDefaultSuffix(defaultSuffix);
    const QFileInfo initial(initialPath);
    dialog.setDirectory(initial.absolutePath());
    dialog.selectFile(initial.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

bool QtChoosers::AskYesNo(QWidget* owner, const QString& question) {
    // No is the default: a stray Enter keeps the run going.
    return QMessageBox::question(owner, QStringLiteral("Kelvarin"), question,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace kelvarin::app
