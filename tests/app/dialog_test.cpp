// The main dialog as a user drives it: its buttons, its log and status line,
// and the message boxes it shows. Choosers and boxes are answered by the
// test; import workers are either real or not started at all, when the test
// posts their messages itself to pin what the dialog does with each. Also
// how the real choosers set up Qt's file dialogs (not how Qt's dialogs then
// behave) and boxes asked for by a worker.
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>
#include <atomic>
#include <functional>
#include <memory>
#include <system_error>
#include <thread>

#include "app/kelvarin_dlg.h"
#include "app/qt_choosers.h"
#include "app/qt_message_box.h"
#include "import/import_messages.h"

namespace kelvarin::app {
namespace {

class ScriptedChoosers final : public Choosers {
public:
    // The next answers; an empty one, or none left, cancels.
    QStringList folders, saves;
    QStringList saveRequests;  // "initial path|default suffix"

    std::optional<QString> ChooseFolder(QWidget*, const QString&) override { return Next(folders); }
    std::optional<QString> ChooseSaveFile(QWidget*, const QString& initial,
                                          const QString& suffix) override {
        saveRequests << initial + "|" + suffix;
        return Next(saves);
    }

private:
    static std::optional<QString> Next(QStringList& answers) {
        const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
        return answer.isEmpty() ? std::nullopt : std::optional<QString>(answer);
    }
};

// Records each box instead of showing it, and whether one was ever asked to
// show off the GUI thread.
class RecordingPresenter final : public MessagePresenter {
public:
    void Present(QWidget*, const QString&, const QString& text) override {
        texts << text;
        offGuiThread = offGuiThread || QThread::currentThread() != qApp->thread();
    }
    QStringList texts;
    bool offGuiThread = false;
};

// Runs `answer` on the modal window of type T once one is open; it must
// close it.
template <class T>
void WhenOpen(std::function<void(T*)> answer) {
    QTimer::singleShot(10, qApp, [answer] {
        if (auto* modal = qobject_cast<T*>(QApplication::activeModalWidget())) {
            answer(modal);
        } else {
            WhenOpen<T>(answer);
        }
    });
}

}  // namespace

class DialogTest : public QObject {
    Q_OBJECT

    RecordingPresenter m_presenter;
    std::unique_ptr<QtMessageBoxService> m_boxes;
    std::unique_ptr<QTemporaryDir> m_work;
    QString m_previous = QDir::currentPath();
    ScriptedChoosers m_choosers;
    int m_launched = 0;

    QString Path(const QString& relative) const { return m_work->filePath(relative); }

    static void Write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }

    // A source "src" of `files` files "Data/F0", "Data/F1", ... (scan order),
    // an empty root "root", and `root` in root.folder.
    void Prepare(int files, const QString& root = "root") {
        QVERIFY(QDir().mkpath(Path("src/Data")) && QDir().mkpath(Path("root")));
        for (int i = 0; i < files; ++i) {
            Write(Path("src/Data/F%1").arg(i), QByteArray(100 + i, char('a' + i)));
        }
        Write("root.folder", root.isEmpty() ? QByteArray() : QFile::encodeName(Path(root)));
    }

    // A dialog whose import workers are started (`real`) or only counted.
    std::unique_ptr<CKelvarinDlg> Dialog(bool real, int throwFor = -1) {
        auto launch = [this, real, throwFor](std::unique_ptr<ImportJob> job) {
            ++m_launched;
            if (job->workerIndex == throwFor) {
                throw std::system_error(
                    std::make_error_code(std::errc::resource_unavailable_try_again));
            }
            return real ? LaunchWorkerThread(std::move(job)) : std::jthread();
        };
        auto dialog = std::make_unique<CKelvarinDlg>(m_choosers, launch);
        m_boxes->SetMainWindow(dialog.get());
        dialog->show();
        return dialog;
    }

    static bool Enabled(QWidget& dialog) {
        return dialog.findChild<QPushButton*>("IDC_IMPORT")->isEnabled() &&
               dialog.findChild<QPushButton*>("IDC_GENERATE")->isEnabled();
    }

    // The log's lines, each with its colour ("mixed" if it has several).
    static QStringList Log(QWidget& dialog) {
        QStringList lines;
        const QTextDocument* document = dialog.findChild<QTextEdit*>("IDC_LOG")->document();
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
            QString color;
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QString name = it.fragment().charFormat().foreground().color().name();
                color = color.isEmpty() || color == name ? name : "mixed";
            }
            if (!block.text().isEmpty()) {
                lines << block.text() + " " + color;
            }
        }
        return lines;
    }

    static void Post(CKelvarinDlg& dialog, unsigned message, std::uintptr_t file, int worker) {
        dialog.Window().PostMessage(message, file, worker);
        QCoreApplication::sendPostedEvents();
    }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        m_boxes = std::make_unique<QtMessageBoxService>(m_presenter);
    }
    void init() {
        m_work = std::make_unique<QTemporaryDir>();  // the last one goes with the test
        QVERIFY(m_work->isValid() && QDir::setCurrent(m_work->path()));
        m_choosers = ScriptedChoosers();
        m_presenter.texts.clear();
        m_launched = 0;
    }
    void cleanupTestCase() { QDir::setCurrent(m_previous); }

    void EachMessageGivesItsLineAndTheFourthFinishGivesTheButtonsBack() {
        Prepare(6);  // dealt: F0 F4 | F1 F5 | F2 | F3
        const auto dialog = Dialog(false, 3);
        m_choosers.folders = {Path("src")};
        dialog->findChild<QPushButton*>("IDC_IMPORT")->click();
        QCOMPARE(m_launched, 4);
        QCOMPARE(m_presenter.texts.size(), 1);
        QVERIFY(m_presenter.texts[0].startsWith("Import worker 3 could not be started"));
        Post(*dialog, WM_IMPORT_PROGRESS, 1, 1);
        QVERIFY(dialog->findChild<QLineEdit*>("IDC_STATUS")->text().contains("src/Data/F5"));
        Post(*dialog, WM_IMPORT_ADDED, 1, 0);
        Post(*dialog, WM_IMPORT_UPDATED, 1, 1);
        Post(*dialog, WM_IMPORT_FAILED, 0, 2);
        dialog->close();
        QVERIFY(dialog->isVisible());
        QVERIFY(m_presenter.texts.last().startsWith("An import is running."));
        // Worker 3's finish was posted for it when it could not be started.
        for (int worker = 0; worker < 2; ++worker) {
            Post(*dialog, WM_IMPORT_FINISHED, 0, worker);
            QVERIFY(!Enabled(*dialog));
        }
        Post(*dialog, WM_IMPORT_FINISHED, 0, 2);
        QVERIFY(Enabled(*dialog));
        QCOMPARE(Log(*dialog), QStringList({"添加:Data/F4(0) #00ff00", "更新:Data/F5(1) #ff0000",
                                            "failed:Data/F2(2) #ff0000"}));
        dialog->close();
        QVERIFY(!dialog->isVisible());
    }

    void RealImportAddsThenUpdatesOnlyWhatChanged() {
        Prepare(3);
        const auto dialog = Dialog(true);
        m_choosers.folders = {Path("src"), Path("src")};
        dialog->findChild<QPushButton*>("IDC_IMPORT")->click();
        QTRY_VERIFY(Enabled(*dialog));
        Write(Path("src/Data/F1"), "changed");
        dialog->findChild<QPushButton*>("IDC_IMPORT")->click();
        QTRY_VERIFY(Enabled(*dialog));
        QStringList log = Log(*dialog);
        std::sort(log.begin(), log.begin() + std::min<qsizetype>(log.size(), 3));
        QCOMPARE(log, QStringList({"添加:Data/F0(0) #00ff00", "添加:Data/F1(1) #00ff00",
                                   "添加:Data/F2(2) #00ff00", "更新:Data/F1(1) #ff0000"}));
        QVERIFY(QFile::exists(Path("root/data/f2.aup")) && m_presenter.texts.isEmpty());
    }

    void RefusedImportStartsNoWorker_data() {
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("text");
        QTest::newRow("no root") << QString() << "No root folder is set";
        QTest::newRow("root missing") << "missing"
                                      << "The root folder does not exist";
        QTest::newRow("root inside") << "src/Data"
                                     << "lies inside the source folder";
    }
    void RefusedImportStartsNoWorker() {
        QFETCH(QString, root);
        QFETCH(QString, text);
        Prepare(2, root);
        const auto dialog = Dialog(true);
        m_choosers.folders = {Path("src")};
        dialog->findChild<QPushButton*>("IDC_IMPORT")->click();
        QCOMPARE(m_presenter.texts.size(), 1);
        QVERIFY2(m_presenter.texts[0].contains(text), qPrintable(m_presenter.texts[0]));
        QVERIFY(m_launched == 0 && Enabled(*dialog) && Log(*dialog).isEmpty());
    }

    void BrowsedRootIsKeptAndTheListIsWrittenThere() {
        Prepare(0, QString());
        const auto dialog = Dialog(true);
        m_choosers.folders = {Path("src/../root/")};
        dialog->findChild<QPushButton*>("IDC_BROWSE")->click();
        QCOMPARE(dialog->findChild<QLineEdit*>("IDC_ROOT_PATH")->text(), Path("root"));
        QFile rootFile("root.folder");
        QVERIFY(rootFile.open(QIODevice::ReadOnly) && rootFile.readAll() == Path("root"));

        dialog->findChild<QPushButton*>("IDC_GENERATE")->click();  // cancelled
        m_choosers.saves = {Path("mine.xml")};
        dialog->findChild<QPushButton*>("IDC_GENERATE")->click();
        QVERIFY(!Enabled(*dialog));
        QTRY_VERIFY(Enabled(*dialog));
        const QString initial = Path("root/update_filelist.xml|xml");
        QCOMPARE(m_choosers.saveRequests, QStringList({initial, initial}));
        QCOMPARE(m_presenter.texts, QStringList{"Generate file list completed!"});
        QVERIFY(QFile::exists(Path("mine.xml")) && QFile::exists(Path("mine.xml.bin")));
    }

    void WorkerWaitsForItsBoxOnTheGuiThread() {
        std::atomic<bool> returned{false};
        std::thread worker([&] {
            MessageBoxOk("error write file", "/upd/a.aup");
            returned = true;
        });
        QTRY_VERIFY(returned);
        worker.join();
        QVERIFY(m_presenter.texts == QStringList{"error write file"} && !m_presenter.offGuiThread);
    }

    void ChoosersSetUpTheirDialogsAndCancelToNothing() {
        QString seen;
        WhenOpen<QFileDialog>([&](QFileDialog* dialog) {
            seen = QString("%1 %2 %3")
                       .arg(dialog->windowTitle())
                       .arg(dialog->fileMode())
                       .arg(dialog->testOption(QFileDialog::ShowDirsOnly));
            dialog->reject();
        });
        QVERIFY(!QtChoosers().ChooseFolder(nullptr, "选定目录"));
        QCOMPARE(seen, QString("选定目录 %1 1").arg(QFileDialog::Directory));
        WhenOpen<QFileDialog>([&](QFileDialog* dialog) {
            seen = QString("%1 %2 %3 %4")
                       .arg(dialog->acceptMode())
                       .arg(dialog->defaultSuffix())
                       .arg(dialog->testOption(QFileDialog::DontConfirmOverwrite))
                       .arg(dialog->directory().absolutePath());
            dialog->reject();
        });
        QVERIFY(!QtChoosers().ChooseSaveFile(nullptr, Path("list.xml"), "xml"));
        QCOMPARE(seen, QString("%1 xml 0 %2").arg(QFileDialog::AcceptSave).arg(m_work->path()));
    }
};

}  // namespace kelvarin::app

QTEST_MAIN(kelvarin::app::DialogTest)
#include "dialog_test.moc"
