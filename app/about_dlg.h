// The About box: the application icon, the version text and an OK button,
// laid out in dialog units of the dialog font like the main dialog. "确定"
// is the default button, so Enter closes the box, and so does Escape.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace kelvarin::app {

class CAboutDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    QPushButton* OkButton() const { return m_ok; }

private:
    QPushButton* m_ok = nullptr;
};

}  // namespace kelvarin::app
