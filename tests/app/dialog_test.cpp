// The main dialog as a user drives it: its buttons, its log and status line,
// and the message boxes it shows. Choosers and boxes are answered by the
// test; import workers are either real or not started at all, when the test
// posts their messages itself to pin what the dialog does with each.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>
#include <memory>
#include <system_error>

#include "app/kelvarin_dlg.h"
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

// Records each box instead of showing it (always on the GUI thread).
class RecordingPresenter final : public MessagePresenter {
public:
    void Present(QWidget*, const QString&, const QString& text) override { texts << text; }
    QStringList texts;
};

struct LogLine {
    QString text;
    QColor color;  // invalid when the line has more than one colour
    bool operator==(const LogLine&) const = default;
};

constexpr QColor kRed(0xFF, 0, 0);
constexpr QColor kGreen(0, 0xFF, 0);

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

    // A source "src" of `files` files "Data/F0", "Data/F1", ... (scan order),
    // an empty root "root", and the root in root.folder unless `root` says
    // otherwise.
    void Prepare(int files, const QString& root = "root") {
        for (int i = 0; i < files; ++i) {
            QVERIFY(QDir().mkpath(Path("src/Data")));
            QFile file(Path("src/Data/F%1").arg(i));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(100 + i, 'a' + i)));
        }
        QVERIFY(QDir().mkpath(Path("root")));
        QFile rootFile("root.folder");
        QVERIFY(root.isEmpty() || (rootFile.open(QIODevice::WriteOnly) &&
                                   rootFile.write(QFile::encodeName(Path(root))) > 0));
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

    static std::vector<LogLine> Log(QWidget& dialog) {
        std::vector<LogLine> lines;
        const QTextDocument* document = dialog.findChild<QTextEdit*>("IDC_LOG")->document();
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
            LogLine line{block.text(), QColor()};
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QColor color = it.fragment().charFormat().foreground().color();
                line.color = it == block.begin() || color == line.color ? color : QColor();
            }
            if (!line.text.isEmpty()) {
                lines.push_back(line);
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
    void cleanup() {
        QDir::setCurrent(m_previous);
        m_work.reset();
    }

    void EachWorkerMessageGivesItsLineAndTheFourthFinishGivesTheButtonsBack() {
        Prepare(6);  // dealt: F0 F4 | F1 F5 | F2 | F3
        const auto dialog = Dialog(false);
        m_choosers.folders = {Path("src")};
        dialog->findChild<QPushButton*>("IDC_IMPORT")->click();
        QCOMPARE(m_launched, 4);
        QVERIFY(!Enabled(*dialog));
        Post(*dialog, WM_IMPORT_PROGRESS, 1, 1);
        QVERIFY(dialog->findChild<QLineEdit*>("IDC_STATUS")->text().contains("src/Data/F5"));
        Post(*dialog, WM_IMPORT_ADDED, 1, 0);
        Post(*dialog, WM_IMPORT_UPDATED, 1, 1);
        Post(*dialog, WM_IMPORT_FAILED, 0, 2);
        for (int worker = 0; worker < 3; ++worker) {
            Post(*dialog, WM_IMPORT_FINISHED, 0, worker);
            QVERIFY(!Enabled(*dialog));
        }
        Post(*dialog, WM_IMPORT_FINISHED, 0, 3);
        QVERIFY(Enabled(*dialog));
        const std::vector<LogLine> expected = {
            {"添加:Data/F4(0)", kGreen}, {"更新:Data/F5(1)", kRed}, {"failed:Data/F2(2)", kRed}};
        QVERIFY(Log(*dialog) == expected);
        QVERIFY(m_presenter.texts.isEmpty());
    }

    void RealImportAddsThenUpdatesOnlyWhatChanged() {
        Prepare(3);
        const auto dialog = Dialog(true);
        m_choosers.folders = {Path("src"), Path("src")};
        dialog->findChild<QPushButton*>("IDC_IMPORT")->click();
        QTRY_VERIFY(Enabled(*dialog));
        QFile changed(Path("src/Data/F1"));
        QVERIFY(changed.open(QIODevice::Append) && changed.write("!") == 1);
        changed.close();
        dialog->findChild<QPushButton*>("IDC_IMPORT")->click();
        QTRY_VERIFY(Enabled(*dialog));
        std::vector<LogLine> log = Log(*dialog);
        QCOMPARE(log.size(), std::size_t{4});
        std::sort(log.begin(), log.begin() + 3, [](auto& a, auto& b) { return a.text < b.text; });
        const std::vector<LogLine> expected = {{"添加:Data/F0(0)", kGreen},
                                               {"添加:Data/F1(1)", kGreen},
                                               {"添加:Data/F2(2)", kGreen},
                                               {"更新:Data/F1(1)", kRed}};
        QVERIFY(log == expected);
        QVERIFY(QFile::exists(Path("root/data/f2.aup")));
        QVERIFY(m_presenter.texts.isEmpty());
    }

    void RefusedImportStartsNoWorker_data() {
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("text");
        QTest::newRow("no root") << ""
                                 << "No root folder is set";
        QTest::newRow("root missing") << "missing"
                                      << "The root folder does not exist";
        QTest::newRow("root inside source") << "src/Data"
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
        QCOMPARE(m_launched, 0);
        QVERIFY(Enabled(*dialog));
        QVERIFY(Log(*dialog).empty());
    }

    void WorkerThatCannotStartIsReportedAndCountedAsFinished() {
        Prepare(4);
        const auto dialog = Dialog(false, 3);
        m_choosers.folders = {Path("src")};
        dialog->findChild<QPushButton*>("IDC_IMPORT")->click();
        QCOMPARE(m_presenter.texts.size(), 1);
        QVERIFY(m_presenter.texts[0].startsWith("Import worker 3 could not be started"));
        for (int worker = 0; worker < 3; ++worker) {
            QVERIFY(!Enabled(*dialog));
            Post(*dialog, WM_IMPORT_FINISHED, 0, worker);
        }
        QVERIFY(Enabled(*dialog));
    }

    void DialogStaysOpenWhileAnImportRuns() {
        Prepare(1);
        const auto dialog = Dialog(false);
        m_choosers.folders = {Path("src")};
        dialog->findChild<QPushButton*>("IDC_IMPORT")->click();
        dialog->close();
        QVERIFY(dialog->isVisible());
        QCOMPARE(m_presenter.texts.size(), 1);
        QVERIFY(m_presenter.texts[0].startsWith("An import is running."));
        for (int worker = 0; worker < 4; ++worker) {
            Post(*dialog, WM_IMPORT_FINISHED, 0, worker);
        }
        dialog->close();
        QVERIFY(!dialog->isVisible());
    }

    void GenerateFileListWritesTheListAndItsCompanion() {
        Prepare(0);
        const auto dialog = Dialog(true);
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

    void BrowseKeepsTheCanonicalRootInRootFolder() {
        Prepare(0, "");
        const auto dialog = Dialog(true);
        m_choosers.folders = {Path("src/../root/")};
        dialog->findChild<QPushButton*>("IDC_BROWSE")->click();
        QCOMPARE(dialog->findChild<QLineEdit*>("IDC_ROOT_PATH")->text(), Path("root"));
        QFile rootFile("root.folder");
        QVERIFY(rootFile.open(QIODevice::ReadOnly));
        QCOMPARE(QFile::decodeName(rootFile.readAll()), Path("root"));
    }
};

}  // namespace kelvarin::app

QTEST_MAIN(kelvarin::app::DialogTest)
#include "dialog_test.moc"
