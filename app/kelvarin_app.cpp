// Start-up and shut-down of the dialog program.
#include "app/kelvarin_app.h"

#include <QApplication>

#include "app/kelvarin_dlg.h"
#include "app/message_presenter.h"
#include "app/qt_message_box.h"

namespace kelvarin::app {

bool CKelvarinApp::InitInstance(int& argc, char** argv) {
    QApplication application(argc, argv);
    QtMessagePresenter presenter;
    QtMessageBoxService messageBoxes(presenter);
    {
        // Destroyed before the message boxes: by then every thread that
        // could ask for one has been joined.
        CKelvarinDlg dialog;
        messageBoxes.SetMainWindow(&dialog);
        dialog.exec();
    }
    return false;
}

}  // namespace kelvarin::app
