// The Qt dialog as a user drives it: keys, focus, menus, its choosers and
// boxes, over the behaviour that tests/dialog checks without Qt. Choosers
// and boxes are answered by the test; workers run for real, or not at all
// when the test posts their messages.
#include <QtTest>
#include <QtWidgets>
#include <atomic>
#include <memory>
#include <system_error>
#include <thread>

#include "app/kelvarin_dlg.h"
#include "app/qt_choosers.h"
#include "app/qt_message_box.h"
#include "app/rich_log.h"
#include "import/import_messages.h"

namespace kelvarin::app {
namespace {

// Answers the choosers from its lists; an empty answer, or none left, cancels.
class ScriptedChoosers final : public Choosers {
public:
    QStringList folders, saves, folderRequests, saveRequests;  // requests: "initial|suffix"
    QStringList questions;
    bool yes = false;
    std::optional<QString> ChooseFolder(QWidget*, const QString&, const QString& initial) override {
        folderRequests << initial;
        return Next(folders);
    }
    std::optional<QString> ChooseSaveFile(QWidget*, const QString& initial,
                                          const QString& suffix) override {
        saveRequests << initial + "|" + suffix;
        return Next(saves);
    }
    bool AskYesNo(QWidget*, const QString& question) override {
        questions << question;
        return yes;
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
                   .arg((folder ? dialog->windowTitle() + " " : QString()) +
                        dialog->directory().absolutePath())
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
    std::atomic<int> m_launched = 0;
    std::shared_ptr<ImportProgress> m_runProgress;  // of the last import started

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
            m_runProgress = job->progress;
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

    // The log's lines, each with its colour.
    static QStringList Log(QWidget& dialog) {
        QStringList lines;
        const RichLog& log = *dialog.findChild<RichLog*>("IDC_LOG");
        for (std::size_t i = 0; i < log.LineCount(); ++i) {
            const Colorref c = log.LineColor(i);
            lines << QString::fromStdString(log.Line(i)) + " " +
                         QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF).name();
        }
        return lines;
    }

    // Clicks Import File and waits until the scan has handed the run over.
    static void Import(CKelvarinDlg& dialog) {
        dialog.findChild<QPushButton*>("IDC_IMPORT")->click();
        QTRY_VERIFY(!dialog.Scanning());
    }

    static QWidget* Focused(QWidget& dialog) { return dialog.focusWidget(); }

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
        m_runProgress.reset();
    }

    void ClosingDuringAnImportAsksAndOnYesStopsTheWorkers() {
        const auto dialog = Dialog(4, "root", false);
        m_choosers.folders = {Path("src")};
        Import(*dialog);
        m_choosers.yes = true;
        QVERIFY(!dialog->close() && m_runProgress->stopRequested && dialog->isVisible());
        for (int worker = 0; worker < 4; ++worker) {
            Post(*dialog, WM_IMPORT_FINISHED, 0, worker);
        }
        QVERIFY(!dialog->isVisible());
        QVERIFY(Log(*dialog).contains("Stopped: 4 files were not begun. #0000a0"));
    }

    // The Qt side of a session (its words are the core's, checked there): no
    // root, the root typed in (Enter applies it), a real import, a file list.
    void OneSessionFromNoRootToTheFileList() {
        const auto dialog = Dialog(3, QString(), true);
        dialog->findChild<QPushButton*>("IDC_GENERATE")->click();
        QVERIFY(m_choosers.saveRequests.isEmpty());
        auto* edit = dialog->findChild<QLineEdit*>("IDC_ROOT_PATH");
        edit->setText(Path("nowhere"));
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(dialog->isVisible() && edit->text().isEmpty());
        edit->setText(Path("src/../root/"));
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(dialog->isVisible());
        QCOMPARE(edit->text(), Path("root"));
        QFile rootFile("root.folder");
        QVERIFY(rootFile.open(QIODevice::ReadOnly) && rootFile.readAll() == Path("root"));
        m_choosers.folders = {Path("src")};
        Import(*dialog);
        QTRY_VERIFY(Enabled(*dialog));
        QVERIFY(Log(*dialog).last().startsWith("added 3, updated 0, unchanged 0, refused 0, "));
        dialog->findChild<QPushButton*>("IDC_GENERATE")->click();  // cancelled
        m_choosers.saves = {Path("mine.xml")};
        dialog->findChild<QPushButton*>("IDC_GENERATE")->setFocus();
        QTest::keyClick(Focused(*dialog), Qt::Key_Return);
        QVERIFY(!Enabled(*dialog));
        QTRY_VERIFY(Enabled(*dialog));
        QCOMPARE(Focused(*dialog), dialog->findChild<QPushButton*>("IDC_GENERATE"));
        QVERIFY(dialog->isVisible());
        QCOMPARE(m_choosers.saveRequests, QStringList(2, Path("root/update_filelist.xml|xml")));
        QCOMPARE(m_presenter.texts.size(), 3);
        QCOMPARE(m_presenter.texts.last(), "Generate file list completed!");
        QVERIFY(QFile::exists(Path("mine.xml")) && QFile::exists(Path("mine.xml.bin")));
    }

    // The root kept in root.folder is in its box at start, and each log line
    // is painted in its colour: read back from the painted pixels, top down.
    void RootShownAtStartAndLogLinesPaintedInTheirColours() {
        const auto dialog = Dialog(0, "root", false);
        QCOMPARE(dialog->findChild<QLineEdit*>("IDC_ROOT_PATH")->text(), Path("root"));
        auto* log = dialog->findChild<RichLog*>("IDC_LOG");
        log->AppendLine("MWMWMWMWMW HHHHHHHHHH", kAddedColor, false);
        log->AppendLine("MWMWMWMWMW HHHHHHHHHH", kUpdatedColor, false);
        log->Flush();
        const QImage image = log->viewport()->grab().toImage();
        int lastGreen = -1, firstRed = image.height();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.green() > 200 && c.red() < 90 && c.blue() < 90) {
                    lastGreen = y;
                } else if (c.red() > 200 && c.green() < 90 && c.blue() < 90) {
                    firstRed = std::min(firstRed, y);
                }
            }
        }
        QVERIFY2(lastGreen >= 0 && firstRed < image.height(), "a line not painted in its colour");
        QVERIFY(lastGreen < firstRed);
    }

    // Ctrl+Home and Ctrl+End; every context menu ends with the About item.
    void LogKeysAndContextMenus() {
        const auto dialog = Dialog(0, "root", false);
        auto* log = dialog->findChild<RichLog*>("IDC_LOG");
        for (int i = 0; i < 100; ++i) {
            log->AppendLine("line\r\n", kAddedColor, false);
        }
        log->Flush();
        QTest::keyClick(log, Qt::Key_End, Qt::ControlModifier);
        const std::size_t bottom = log->FirstShownLine();
        QVERIFY(bottom > 50 && bottom < 100);
        QTest::keyClick(log, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(log->FirstShownLine(), 0u);
        for (const char* name : {"IDC_LOG", "IDC_ROOT_PATH", "IDC_STATUS"}) {
            auto* control = dialog->findChild<QWidget*>(name);
            QWidget* target = name == QString("IDC_LOG") ? log->viewport() : control;
            QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                    target->mapToGlobal(QPoint(5, 5)));
            QCoreApplication::sendEvent(target, &event);
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY2(menu && menu->actions().last()->objectName() == "IDM_ABOUTBOX", name);
            menu->close();
        }
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
        QVERIFY(!QtChoosers().ChooseFolder(nullptr, "选定目录", m_work->path()));
        QCOMPARE(seen,
                 QString("选定目录 %1 %2 1 0 ").arg(m_work->path()).arg(QFileDialog::AcceptOpen));
        RecordNextFileDialog(seen);
        QVERIFY(!QtChoosers().ChooseSaveFile(nullptr, Path("list.xml"), "xml"));
        QCOMPARE(seen, QString("%1 %2 0 0 xml").arg(m_work->path()).arg(QFileDialog::AcceptSave));
    }
};

}  // namespace kelvarin::app

QTEST_MAIN(kelvarin::app::DialogTest)
#include "dialog_test.moc"
