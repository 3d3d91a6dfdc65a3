// The main dialog as a user drives it. Choosers and boxes are answered by the
// test; workers run for real, or not at all when the test posts their messages.
#include <QtTest>
#include <QtWidgets>
#include <atomic>
#include <memory>
#include <system_error>
#include <thread>

#include "app/kelvarin_dlg.h"
#include "app/qt_choosers.h"
#include "app/qt_message_box.h"
#include "import/import_messages.h"

namespace kelvarin::app {
namespace {

// Answers the choosers from its lists; an empty answer, or none left, cancels.
class ScriptedChoosers final : public Choosers {
public:
    QStringList folders, saves, saveRequests;  // the last: "initial path|default suffix"
    std::optional<QString> ChooseFolder(QWidget*, const QString&) override { return Next(folders); }
    std::optional<QString> ChooseSaveFile(QWidget*, const QString& initial,
                                          const QString& suffix) override {
        saveRequests << initial + "|" + suffix;
        return Next(saves);
    }
    static std::optional<QString> Next(QStringList& answers) {
        const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
        return answer.isEmpty() ? std::nullopt : std::optional<QString>(answer);
    }
};

class RecordingPresenter final : public MessagePresenter {
public:
    void Present(QWidget*, const QString&, const QString& text) override {
        texts << text + (QThread::currentThread() != qApp->thread() ? " (off GUI thread)" : "");
    }
    QStringList texts;
};

// Once a file dialog is open, records how it is set up and cancels it.
void RecordNextFileDialog(QString& seen) {
    QTimer::singleShot(10, qApp, [&seen] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            return RecordNextFileDialog(seen);
        }
        const bool folder = dialog->fileMode() == QFileDialog::Directory;
        seen = QString("%1 %2 %3 %4 %5")
                   .arg(folder ? dialog->windowTitle() : dialog->directory().absolutePath())
                   .arg(dialog->acceptMode())
                   .arg(dialog->testOption(QFileDialog::ShowDirsOnly))
                   .arg(dialog->testOption(QFileDialog::DontConfirmOverwrite))
                   .arg(dialog->defaultSuffix());
        dialog->reject();
    });
}

}  // namespace

class DialogTest : public QObject {
    Q_OBJECT

    RecordingPresenter m_presenter;
    std::unique_ptr<QtMessageBoxService> m_boxes;
    std::unique_ptr<QTemporaryDir> m_work;
    ScriptedChoosers m_choosers;
    int m_launched = 0;

    QString Path(const QString& relative) const { return m_work->filePath(relative); }

    static void Write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }

    // A source "src" of files "Data/F0", "Data/F1", ... (scan order), an empty
    // "root", and `root` in root.folder; then a shown dialog whose workers are
    // started (`real`) or only counted, and `throwFor` cannot be started.
    std::unique_ptr<CKelvarinDlg> Dialog(int files, const QString& root, bool real,
                                         int throwFor = -1) {
        QDir().mkpath(Path("src/Data"));
        QDir().mkpath(Path("root"));
        for (int i = 0; i < files; ++i) {
            Write(Path("src/Data/F%1").arg(i), QByteArray(100 + i, char('a' + i)));
        }
        Write("root.folder", root.isEmpty() ? QByteArray() : QFile::encodeName(Path(root)));
        auto dialog = std::make_unique<CKelvarinDlg>(m_choosers, [=, this](auto job) {
            ++m_launched;
            if (job->workerIndex == throwFor) {
                throw std::system_error(EAGAIN, std::generic_category());
            }
            return real ? LaunchWorkerThread(std::move(job)) : std::jthread();
        });
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
        m_work = std::make_unique<QTemporaryDir>();
        QVERIFY(m_work->isValid() && QDir::setCurrent(m_work->path()));
        m_choosers = ScriptedChoosers();
        m_presenter.texts.clear();
        m_launched = 0;
    }

    void EachMessageGivesItsLineAndTheFourthFinishGivesTheButtonsBack() {
        const auto dialog = Dialog(6, "root", false, 3);  // dealt: F0 F4 | F1 F5 | F2 | F3
        m_choosers.folders = {Path("src")};
        dialog->findChild<QPushButton*>("IDC_IMPORT")->click();
        QVERIFY(m_launched == 4 && m_presenter.texts.size() == 1);
        QVERIFY(m_presenter.texts[0].startsWith("Import worker 3 could not be started"));
        Post(*dialog, WM_IMPORT_PROGRESS, 1, 1);
        QVERIFY(dialog->findChild<QLineEdit*>("IDC_STATUS")->text().contains("src/Data/F5"));
        Post(*dialog, WM_IMPORT_ADDED, 1, 0);
        Post(*dialog, WM_IMPORT_UPDATED, 1, 1);
        Post(*dialog, WM_IMPORT_FAILED, 0, 2);
        QVERIFY(!dialog->close() && m_presenter.texts.last().startsWith("An import is running."));
        // Worker 3's finish was posted for it when it could not be started.
        for (int worker = 0; worker < 3; ++worker) {
            QVERIFY(!Enabled(*dialog));
            Post(*dialog, WM_IMPORT_FINISHED, 0, worker);
        }
        QVERIFY(Enabled(*dialog));
        QCOMPARE(Log(*dialog), QStringList({"添加:Data/F4(0) #00ff00", "更新:Data/F5(1) #ff0000",
                                            "failed:Data/F2(2) #ff0000"}));
        QVERIFY(dialog->close());
    }

    // A refused import, the root browsed for, two real imports, a file list.
    void OneSessionFromNoRootToTheFileList() {
        const auto dialog = Dialog(3, QString(), true);
        m_choosers.folders = {Path("src"), Path("src/../root/"), Path("src"), Path("src")};
        dialog->findChild<QPushButton*>("IDC_IMPORT")->click();
        QVERIFY(m_launched == 0 && Enabled(*dialog) && m_presenter.texts.size() == 1);
        dialog->findChild<QPushButton*>("IDC_BROWSE")->click();
        QCOMPARE(dialog->findChild<QLineEdit*>("IDC_ROOT_PATH")->text(), Path("root"));
        QFile rootFile("root.folder");
        QVERIFY(rootFile.open(QIODevice::ReadOnly) && rootFile.readAll() == Path("root"));
        dialog->findChild<QPushButton*>("IDC_IMPORT")->click();
        QTRY_VERIFY(Enabled(*dialog));
        Write(Path("src/Data/F1"), "changed");
        dialog->findChild<QPushButton*>("IDC_IMPORT")->click();
        QTRY_VERIFY(Enabled(*dialog));
        QStringList log = Log(*dialog);
        std::sort(log.begin(), log.begin() + std::min<qsizetype>(log.size(), 3));
        QCOMPARE(log, QStringList({"添加:Data/F0(0) #00ff00", "添加:Data/F1(1) #00ff00",
                                   "添加:Data/F2(2) #00ff00", "更新:Data/F1(1) #ff0000"}));
        dialog->findChild<QPushButton*>("IDC_GENERATE")->click();  // cancelled
        m_choosers.saves = {Path("mine.xml")};
        dialog->findChild<QPushButton*>("IDC_GENERATE")->click();
        QVERIFY(!Enabled(*dialog));
        QTRY_VERIFY(Enabled(*dialog));
        QCOMPARE(m_choosers.saveRequests, QStringList(2, Path("root/update_filelist.xml|xml")));
        QCOMPARE(m_presenter.texts,
                 QStringList({"No root folder is set; choose the root folder first.",
                              "Generate file list completed!"}));
        QVERIFY(QFile::exists(Path("mine.xml")) && QFile::exists(Path("mine.xml.bin")));
    }

    void UnreadableExcludeListStopsGenerateBeforeItsChooser() {
        QDir().mkpath(Path("exclude.list"));
        const auto dialog = Dialog(1, "root", false);
        QTRY_COMPARE(m_presenter.texts.size(), 1);  // said once the window is up
        dialog->findChild<QPushButton*>("IDC_GENERATE")->click();
        QVERIFY(m_choosers.saveRequests.isEmpty() && Enabled(*dialog));
        QCOMPARE(m_presenter.texts.size(), 2);
        QVERIFY(m_presenter.texts[1].startsWith("The file list was not written: "));
    }

    void WorkerWaitsForItsBoxOnTheGuiThread() {
        std::atomic<bool> returned{false};
        std::thread worker([&] {
            MessageBoxOk("error write file", "/upd/a.aup");
            returned = true;
        });
        QTRY_VERIFY(returned);
        worker.join();
        QCOMPARE(m_presenter.texts, QStringList{"error write file"});
    }

    void ChoosersSetUpTheirDialogsAndCancelToNothing() {
        QString seen;
        RecordNextFileDialog(seen);
        QVERIFY(!QtChoosers().ChooseFolder(nullptr, "选定目录"));
        QCOMPARE(seen, QString("选定目录 %1 1 0 ").arg(QFileDialog::AcceptOpen));
        RecordNextFileDialog(seen);
        QVERIFY(!QtChoosers().ChooseSaveFile(nullptr, Path("list.xml"), "xml"));
        QCOMPARE(seen, QString("%1 %2 0 0 xml").arg(m_work->path()).arg(QFileDialog::AcceptSave));
    }
};

}  // namespace kelvarin::app

QTEST_MAIN(kelvarin::app::DialogTest)
#include "dialog_test.moc"
