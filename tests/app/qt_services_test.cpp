// The Qt side of the services the dialog uses: the real file choosers (their
// titles, modes, defaults and answers) and the message boxes, shown on the
// GUI thread while a worker that asked for one waits. The modal windows are
// answered from inside their own event loop, as a user would answer them.
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "app/qt_choosers.h"
#include "app/qt_message_box.h"
#include "app_test_support.h"

namespace kelvarin::app::test {

namespace {

// Runs `answer` on the modal window once one is open. Should none open, or
// the answer not close it, whatever is open is closed after a while, so a
// test cannot hang.
void AnswerModal(std::function<void(QWidget*)> answer) {
    auto* guard = new QTimer(qApp);
    guard->setSingleShot(true);
    auto* poll = new QTimer(guard);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, qApp, [guard, poll, answer = std::move(answer)] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->stop();
            guard->stop();
            guard->deleteLater();
            answer(modal);
        }
    });
    QObject::connect(guard, &QTimer::timeout, qApp, [guard] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
        }
        guard->deleteLater();
    });
    poll->start();
    guard->start(10000);
}

}  // namespace

class QtServicesTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ScopedWorkFolder> m_folder;

private slots:
    void init() {
        m_folder = std::make_unique<ScopedWorkFolder>();
        QVERIFY(m_folder->IsValid());
    }
    void cleanup() { m_folder.reset(); }

    void FolderChooserReturnsTheChosenFolder() {
        const QString folder = m_folder->FilePath("Upd");
        QVERIFY(QDir().mkpath(folder));
        QWidget owner;
        bool checked = false;
        AnswerModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog != nullptr);
            checked = dialog->windowTitle() == QStringLiteral("选定目录") &&
                      dialog->fileMode() == QFileDialog::Directory &&
                      dialog->testOption(QFileDialog::ShowDirsOnly) &&
                      dialog->parentWidget() == &owner;
            dialog->setDirectory(m_folder->Path());
            dialog->selectFile(folder);
            static_cast<QDialog*>(dialog)->accept();  // as the Open/Save button does
        });
        const std::optional<QString> chosen =
            QtChoosers().ChooseFolder(&owner, QStringLiteral("选定目录"));
        QVERIFY(checked);
        QVERIFY(chosen.has_value());
        QCOMPARE(*chosen, folder);
    }

    void CancelledChoosersReturnNothing() {
        AnswerModal([](QWidget* modal) { modal->close(); });
        QVERIFY(!QtChoosers().ChooseFolder(nullptr, QStringLiteral("选定目录")).has_value());
        AnswerModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
        QVERIFY(!QtChoosers()
                     .ChooseSaveFile(nullptr, m_folder->FilePath("update_filelist.xml"), "xml")
                     .has_value());
    }

    void SaveChooserStartsAtTheDefaultListAndAddsTheSuffix() {
        const QString initial = m_folder->FilePath("update_filelist.xml");
        bool checked = false;
        AnswerModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog != nullptr);
            checked = dialog->acceptMode() == QFileDialog::AcceptSave &&
                      dialog->defaultSuffix() == QStringLiteral("xml") &&
                      !dialog->testOption(QFileDialog::DontConfirmOverwrite) &&
                      dialog->directory().absolutePath() == m_folder->Path() &&
                      dialog->selectedFiles() == QStringList{initial} &&
                      dialog->nameFilters() == QStringList{QStringLiteral("All Files (*)")};
            // A name typed without a suffix.
            dialog->selectFile(QStringLiteral("mylist"));
            static_cast<QDialog*>(dialog)->accept();  // as the Open/Save button does
        });
        const std::optional<QString> chosen = QtChoosers().ChooseSaveFile(nullptr, initial, "xml");
        QVERIFY(checked);
        QVERIFY(chosen.has_value());
        QCOMPARE(*chosen, m_folder->FilePath("mylist.xml"));
    }

    void WorkerWaitsUntilItsBoxIsClosed() {
        QtMessagePresenter presenter;
        QtMessageBoxService service(presenter);
        std::atomic<bool> returned{false};
        QString text;
        QString caption;
        bool onGuiThread = false;
        AnswerModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box != nullptr);
            text = box->text();
            caption = box->windowTitle();
            onGuiThread = QThread::currentThread() == qApp->thread();
            // The worker is still inside ShowOk while the box is open.
            QTest::qWait(50);
            QVERIFY(!returned.load());
            box->button(QMessageBox::Ok)->click();
        });
        std::thread worker([&] {
            MessageBoxOk("error write file", "/upd/data/a.txt.aup");
            returned = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(returned.load(), 15000);
        worker.join();
        QCOMPARE(text, QStringLiteral("error write file"));
        QCOMPARE(caption, QStringLiteral("/upd/data/a.txt.aup"));
        QVERIFY(onGuiThread);
    }

    void ApplicationBoxBelongsToTheMainWindow() {
        QtMessagePresenter presenter;
        QtMessageBoxService service(presenter);
        QWidget main;
        service.SetMainWindow(&main);
        QWidget* parent = nullptr;
        QString text;
        AnswerModal([&](QWidget* modal) {
            parent = modal->parentWidget();
            text = qobject_cast<QMessageBox*>(modal)->text();
            QTest::keyClick(modal, Qt::Key_Return);
        });
        AppMessageBox("Generate file list completed!");
        QCOMPARE(parent, &main);
        QCOMPARE(text, QStringLiteral("Generate file list completed!"));
    }
};

}  // namespace kelvarin::app::test

QTEST_MAIN(kelvarin::app::test::QtServicesTest)
#include "qt_services_test.moc"
