// The Qt side of the services: how the choosers set up Qt's file dialogs and
// what they give back on a cancel (not how Qt's dialogs behave), and message
// boxes shown on the GUI thread while a worker that asked for one waits.
#include <QFileDialog>
#include <QMessageBox>
#include <QStandardPaths>
#include <QtTest>
#include <atomic>
#include <functional>
#include <thread>

#include "app/qt_choosers.h"
#include "app/qt_message_box.h"

namespace kelvarin::app {

class QtServicesTest : public QObject {
    Q_OBJECT

    // Waits in the modal's own event loop until a modal window of type T is
    // open, then hands it to `answer`, which must close it.
    template <class T>
    static void WhenOpen(std::function<void(T*)> answer) {
        QTimer::singleShot(10, qApp, [answer] {
            if (auto* modal = qobject_cast<T*>(QApplication::activeModalWidget())) {
                answer(modal);
            } else {
                WhenOpen<T>(answer);
            }
        });
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void ChoosersAskTheRightQuestionAndCancelToNothing() {
        QWidget owner;
        QString seen;
        WhenOpen<QFileDialog>([&](QFileDialog* dialog) {
            seen = QString("%1 %2 %3 %4")
                       .arg(dialog->windowTitle())
                       .arg(dialog->fileMode())
                       .arg(dialog->testOption(QFileDialog::ShowDirsOnly))
                       .arg(dialog->parentWidget() == &owner);
            dialog->reject();
        });
        QVERIFY(!QtChoosers().ChooseFolder(&owner, "选定目录"));
        QCOMPARE(seen, QString("选定目录 %1 1 1").arg(QFileDialog::Directory));

        const QString folder = QDir::tempPath();
        WhenOpen<QFileDialog>([&](QFileDialog* dialog) {
            seen = QString("%1 %2 %3 %4")
                       .arg(dialog->acceptMode())
                       .arg(dialog->defaultSuffix())
                       .arg(dialog->testOption(QFileDialog::DontConfirmOverwrite))
                       .arg(dialog->directory().absolutePath());
            dialog->reject();
        });
        QVERIFY(!QtChoosers().ChooseSaveFile(nullptr, folder + "/update_filelist.xml", "xml"));
        QCOMPARE(seen, QString("%1 xml 0 %2").arg(QFileDialog::AcceptSave).arg(folder));
    }

    void WorkerWaitsOnItsBoxShownOnTheGuiThread() {
        QtMessagePresenter presenter;
        QtMessageBoxService service(presenter);
        std::atomic<bool> returned{false};
        QString seen;
        WhenOpen<QMessageBox>([&](QMessageBox* box) {
            seen = box->windowTitle() + ": " + box->text();
            QVERIFY(!returned && QThread::currentThread() == qApp->thread());
            box->accept();
        });
        std::thread worker([&] {
            MessageBoxOk("error write file", "/upd/a.aup");
            returned = true;
        });
        QTRY_VERIFY(returned);
        worker.join();
        QCOMPARE(seen, QString("/upd/a.aup: error write file"));
    }
};

}  // namespace kelvarin::app

QTEST_MAIN(kelvarin::app::QtServicesTest)
#include "qt_services_test.moc"
