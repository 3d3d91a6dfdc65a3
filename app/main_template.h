// The main dialog's template: its controls with their identifiers, places
// in dialog units, styles and tab order. The dialog's behaviour never sees
// these; the Qt dialog reaches them through this record.
#pragma once

class QDialog;
class QLabel;
class QProgressBar;
class QPushButton;

namespace kelvarin::app {

class DialogLineEdit;
class RichLog;

struct MainControls {
    QPushButton* import = nullptr;
    QPushButton* generate = nullptr;
    DialogLineEdit* rootEdit = nullptr;
    QPushButton* browse = nullptr;
    QLabel* directoryLabel = nullptr;
    RichLog* log = nullptr;
    DialogLineEdit* status = nullptr;
    QProgressBar* progress = nullptr;  // below the buttons, hidden outside runs
};

// Sizes `dialog` as the template says and creates its controls in it, in
// tab order, with the dialog's font.
MainControls CreateMainControls(QDialog& dialog);

}  // namespace kelvarin::app
