// Import File and the progress log: real imports of small trees through the
// real workers (coloured lines, the status line, the buttons and the
// progress bar), worker messages posted by hand with indexes inside and
// outside the lists, the counting of finished workers, the scrolling of the
// log, and closing while an import runs.
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTextEdit>
#include <QtTest>
#include <algorithm>
#include <memory>

#include "app/kelvarin_dlg.h"
#include "app/resource.h"
#include "app_test_support.h"
#include "import/import_messages.h"
#include "import/log_line.h"

namespace kelvarin::app::test {

namespace {

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
constexpr int kImportTimeoutMs = 30000;

QProgressBar* Progress(QWidget& dialog) {
    return dialog.findChild<QProgressBar*>(QStringLiteral("progress"));
}

bool CommandsDisabled(QWidget& dialog) {
    return !Button(dialog, "IDC_IMPORT")->isEnabled() &&
           !Button(dialog, "IDC_GENERATE")->isEnabled();
}

// The lines that each worker's files should give, from the dialog's own
// lists: prefix + name below the source + (worker) for every file.
std::vector<LogLine> ExpectedLines(const CKelvarinDlg& dialog, const QString& prefix,
                                   const QColor& color,
                                   const std::vector<std::string>& onlyNames = {}) {
    std::vector<LogLine> lines;
    for (std::size_t worker = 0; worker < dialog.m_workerFiles.size(); ++worker) {
        for (const std::string& path : dialog.m_workerFiles[worker]) {
            const std::string name(DisplayName(path, dialog.m_sourceRoot));
            if (!onlyNames.empty() &&
                std::find(onlyNames.begin(), onlyNames.end(), name) == onlyNames.end()) {
                continue;
            }
            lines.push_back(
                {prefix + QString::fromStdString(name) + QStringLiteral("(%1)").arg(worker), color,
                 true});
        }
    }
    return lines;
}

std::vector<LogLine> Sorted(std::vector<LogLine> lines) {
    std::sort(lines.begin(), lines.end(),
              [](const LogLine& a, const LogLine& b) { return a.text < b.text; });
    return lines;
}

}  // namespace

class ImportDialogTest : public QObject {
    Q_OBJECT

private:
    DialogTestFixture m_app;
    QString m_root;
    QString m_source;

    // A root folder (kept in root.folder) and a source tree of five files.
    void MakeTrees() {
        m_root = m_app.Folder().FilePath("Upd");
        m_source = m_app.Folder().FilePath("New");
        QVERIFY(QDir().mkpath(m_root));
        QVERIFY(WriteTestFile("root.folder", m_root.toUtf8()));
        QVERIFY(WriteTestFile(m_source + "/Data/A.TXT", "abc"));
        QVERIFY(WriteTestFile(m_source + "/b.bin", QByteArray(5000, '\x01')));
        QVERIFY(WriteTestFile(m_source + "/sub/c.txt", "the third file"));
        QVERIFY(WriteTestFile(m_source + "/d.txt", "dddd"));
        QVERIFY(WriteTestFile(m_source + "/e.txt", ""));
    }

private slots:
    void initTestCase() { m_app.InitTestCase(); }
    void cleanupTestCase() { m_app.CleanupTestCase(); }
    void init() {
        QCOMPARE(CKelvarinDlg::s_finishedWorkers, 0);
        m_app.Init();
        QVERIFY(m_app.Folder().IsValid());
    }
    void cleanup() { m_app.Cleanup(); }

    void ImportAddsThenUpdatesWithColouredLines() {
        MakeTrees();
        m_app.Choosers().AnswerFolder(m_source);
        CKelvarinDlg dialog(m_app.Choosers());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        QTest::mouseClick(Button(dialog, "IDC_IMPORT"), Qt::LeftButton);
        QCOMPARE(m_app.Choosers().folderTitles, std::vector<QString>{QStringLiteral("选定目录")});
        // Disabled from the moment the workers start.
        QVERIFY(CommandsDisabled(dialog));
        QVERIFY(dialog.Busy());
        QVERIFY(Progress(dialog)->isVisible());
        QCOMPARE(dialog.m_sourceRoot, ToStd(m_source));
        QCOMPARE(dialog.m_allFiles.size(), std::size_t{5});
        QCOMPARE(dialog.m_workerFiles[0].size(), std::size_t{2});
        QCOMPARE(dialog.m_workerFiles[3].size(), std::size_t{1});

        QTRY_VERIFY_WITH_TIMEOUT(CommandsEnabled(dialog), kImportTimeoutMs);
        QVERIFY(!dialog.Busy());
        QVERIFY(Progress(dialog)->isHidden());
        QCOMPARE(CKelvarinDlg::s_finishedWorkers, 0);
        std::vector<LogLine> lines = ReadLogLines(*dialog.m_log);
        QCOMPARE(Sorted(lines), Sorted(ExpectedLines(dialog, QStringLiteral("添加:"), kGreen)));
        std::vector<QString> names;
        for (const LogLine& line : lines) {
            names.push_back(line.text.mid(3, line.text.lastIndexOf('(') - 3));
        }
        std::sort(names.begin(), names.end());
        QCOMPARE(names,
                 (std::vector<QString>{"Data/A.TXT", "b.bin", "d.txt", "e.txt", "sub/c.txt"}));
        // The stored tree is lower-case.
        QVERIFY(QFileInfo::exists(m_root + "/data/a.txt.aup"));
        QVERIFY(QFileInfo::exists(m_root + "/sub/c.txt.aup"));
        // The status line shows the last file begun, whole, with its line end.
        const QString status = dialog.m_status->text();
        QVERIFY2(status.startsWith(m_source + "/") && status.endsWith("\r\n"), qPrintable(status));
        QVERIFY(m_app.Presenter().Boxes().empty());

        // Second import: one file changed, one new, three unchanged.
        QVERIFY(WriteTestFile(m_source + "/d.txt", "changed"));
        QVERIFY(WriteTestFile(m_source + "/f.txt", "new"));
        m_app.Choosers().AnswerFolder(m_source);
        QTest::mouseClick(Button(dialog, "IDC_IMPORT"), Qt::LeftButton);
        QVERIFY(CommandsDisabled(dialog));
        QTRY_VERIFY_WITH_TIMEOUT(CommandsEnabled(dialog), kImportTimeoutMs);
        const std::vector<LogLine> after = ReadLogLines(*dialog.m_log);
        QCOMPARE(after.size(), std::size_t{7});
        // The first import's lines stay; the new ones follow them.
        QCOMPARE(std::vector<LogLine>(after.begin(), after.begin() + 5), lines);
        std::vector<LogLine> added = ExpectedLines(dialog, "更新:", kRed, {"d.txt"});
        const std::vector<LogLine> green = ExpectedLines(dialog, "添加:", kGreen, {"f.txt"});
        added.insert(added.end(), green.begin(), green.end());
        QCOMPARE(Sorted(std::vector<LogLine>(after.begin() + 5, after.end())), Sorted(added));
        QCOMPARE(dialog.m_allFiles.size(), std::size_t{6});
        QCOMPARE(dialog.m_log->toPlainText().count('\n'), 7);
    }

    void FailedFileIsReportedFromTheWorker() {
        MakeTrees();
        // A folder where e.txt's stored file should go cannot be replaced.
        QVERIFY(QDir().mkpath(m_root + "/e.txt.aup"));
        m_app.Choosers().AnswerFolder(m_source);
        CKelvarinDlg dialog(m_app.Choosers());
        QTest::mouseClick(Button(dialog, "IDC_IMPORT"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(CommandsEnabled(dialog), kImportTimeoutMs);
        const std::vector<PresentedBox> boxes = m_app.Presenter().Boxes();
        QCOMPARE(boxes.size(), std::size_t{1});
        QCOMPARE(boxes[0].text, QStringLiteral("error write file"));
        QCOMPARE(boxes[0].caption, m_root + "/e.txt.aup");
        QVERIFY(!boxes[0].owned);
        QVERIFY(boxes[0].onGuiThread);  // asked for by a worker, shown by the GUI
        const std::vector<LogLine> failed =
            ExpectedLines(dialog, QStringLiteral("failed:"), kRed, {"e.txt"});
        const std::vector<LogLine> lines = ReadLogLines(*dialog.m_log);
        QCOMPARE(lines.size(), std::size_t{5});
        QVERIFY(std::find(lines.begin(), lines.end(), failed.front()) != lines.end());
    }

    void RefusedFilesAreLoggedAndNotStored() {
        m_root = m_app.Folder().FilePath("upd");
        m_source = m_app.Folder().FilePath("src");
        QVERIFY(QDir().mkpath(m_root));
        QVERIFY(WriteTestFile("root.folder", m_root.toUtf8()));
        QVERIFY(WriteTestFile(m_source + "/ok.txt", "fine"));
        QVERIFY(WriteTestFile(m_source + "/bad:name.txt", "a colon"));
        m_app.Choosers().AnswerFolder(m_source);
        CKelvarinDlg dialog(m_app.Choosers());
        QTest::mouseClick(Button(dialog, "IDC_IMPORT"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(CommandsEnabled(dialog), kImportTimeoutMs);
        const std::vector<LogLine> expected{
            {QStringLiteral("refused:bad:name.txt (the client cannot hold this name)"), kRed, true},
            {QStringLiteral("添加:ok.txt(0)"), kGreen, true},
        };
        QCOMPARE(ReadLogLines(*dialog.m_log), expected);
        QCOMPARE(dialog.m_allFiles.size(), std::size_t{1});
        QVERIFY(QFileInfo::exists(m_root + "/ok.txt.aup"));
        QVERIFY(!QFileInfo::exists(m_root + "/bad:name.txt.aup"));
    }

    void RefusedImportStartsNothing() {
        // No root folder set.
        m_app.Choosers().AnswerFolder(m_app.Folder().Path());
        CKelvarinDlg dialog(m_app.Choosers());
        QTest::mouseClick(Button(dialog, "IDC_IMPORT"), Qt::LeftButton);
        const std::vector<PresentedBox> boxes = m_app.Presenter().Boxes();
        QCOMPARE(boxes.size(), std::size_t{1});
        QVERIFY(boxes[0].text.contains(QStringLiteral("root folder")));
        QVERIFY(CommandsEnabled(dialog));
        QVERIFY(!dialog.Busy());
        QVERIFY(dialog.m_sourceRoot.empty());
        QVERIFY(Progress(dialog)->isHidden());
    }

    void CancelledImportChangesNothing() {
        MakeTrees();
        m_app.Choosers().AnswerFolder(std::nullopt);
        CKelvarinDlg dialog(m_app.Choosers());
        dialog.m_sourceRoot = "/kept";
        dialog.m_allFiles = {"/kept/x"};
        QTest::mouseClick(Button(dialog, "IDC_IMPORT"), Qt::LeftButton);
        QCOMPARE(dialog.m_sourceRoot, std::string("/kept"));
        QCOMPARE(dialog.m_allFiles, std::vector<std::string>{"/kept/x"});
        QVERIFY(CommandsEnabled(dialog));
        QVERIFY(QDir(m_root).isEmpty());
    }

    void EmptySourceStillBringsTheButtonsBack() {
        MakeTrees();
        const QString empty = m_app.Folder().FilePath("empty");
        QVERIFY(QDir().mkpath(empty));
        m_app.Choosers().AnswerFolder(empty);
        CKelvarinDlg dialog(m_app.Choosers());
        QTest::mouseClick(Button(dialog, "IDC_IMPORT"), Qt::LeftButton);
        QVERIFY(CommandsDisabled(dialog));
        QTRY_VERIFY_WITH_TIMEOUT(CommandsEnabled(dialog), kImportTimeoutMs);
        QVERIFY(dialog.m_log->toPlainText().isEmpty());
        QCOMPARE(CKelvarinDlg::s_finishedWorkers, 0);
    }

    void ClosingWhileAnImportRunsIsRefused() {
        MakeTrees();
        m_app.Choosers().AnswerFolder(m_source);
        CKelvarinDlg dialog(m_app.Choosers());
        m_app.Service().SetMainWindow(&dialog);  // as the application does
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(Button(dialog, "IDC_IMPORT"), Qt::LeftButton);
        // No worker message has been handled yet: the import is running.
        QVERIFY(!dialog.close());
        dialog.reject();
        dialog.accept();
        QVERIFY(dialog.isVisible());
        const std::vector<PresentedBox> boxes = m_app.Presenter().Boxes();
        QCOMPARE(boxes.size(), std::size_t{3});
        for (const PresentedBox& box : boxes) {
            QVERIFY2(box.text.contains(QStringLiteral("import is running")), qPrintable(box.text));
            QVERIFY(box.owned);
        }
        QTRY_VERIFY_WITH_TIMEOUT(CommandsEnabled(dialog), kImportTimeoutMs);
        QVERIFY(dialog.close());
        QVERIFY(!dialog.isVisible());
    }

    void MessagesNameFilesOfTheDialogsLists() {
        CKelvarinDlg dialog(m_app.Choosers());
        dialog.m_sourceRoot = "/src/new";
        dialog.m_workerFiles[2] = {"/src/new/0", "/src/new/1", "/src/new/2",
                                   "/src/new/3", "/src/new/4", "/src/new/data/a.txt"};
        dialog.m_workerFiles[1] = {"/elsewhere/b.txt"};
        MessageWindow& window = dialog.Window();
        window.PostMessage(WM_IMPORT_ADDED, 5, 2);
        window.PostMessage(WM_IMPORT_UPDATED, 5, 2);
        window.PostMessage(WM_IMPORT_ADDED, 0, 1);  // not below the source root
        window.PostMessage(WM_IMPORT_FAILED, 5, 2);
        // Posted events wait for the event loop.
        QVERIFY(dialog.m_log->toPlainText().isEmpty());
        QTRY_COMPARE(ReadLogLines(*dialog.m_log).size(), std::size_t{4});
        const std::vector<LogLine> expected{
            {QStringLiteral("添加:data/a.txt(2)"), kGreen, true},
            {QStringLiteral("更新:data/a.txt(2)"), kRed, true},
            {QStringLiteral("添加:/elsewhere/b.txt(1)"), kGreen, true},
            {QStringLiteral("failed:data/a.txt(2)"), kRed, true},
        };
        QCOMPARE(ReadLogLines(*dialog.m_log), expected);
        QCOMPARE(dialog.m_log->toPlainText(),
                 QStringLiteral("添加:data/a.txt(2)\n更新:data/a.txt(2)\n"
                                "添加:/elsewhere/b.txt(1)\nfailed:data/a.txt(2)\n"));
        window.PostMessage(WM_IMPORT_PROGRESS, 5, 2);
        QTRY_COMPARE(dialog.m_status->text(), QStringLiteral("/src/new/data/a.txt\r\n"));
    }

    void IndexesOutsideTheListsGiveEmptyNames() {
        CKelvarinDlg dialog(m_app.Choosers());
        dialog.m_sourceRoot = "/src/new";
        dialog.m_workerFiles[0] = {"/src/new/only.txt"};
        MessageWindow& window = dialog.Window();
        window.PostMessage(WM_IMPORT_UPDATED, 0, 7);
        window.PostMessage(WM_IMPORT_ADDED, 0, 7);
        window.PostMessage(WM_IMPORT_ADDED, 1, 0);            // past the end of list 0
        window.PostMessage(WM_IMPORT_ADDED, SIZE_MAX, 0);     // far past it
        window.PostMessage(WM_IMPORT_UPDATED, 0, -1);         // negative worker index
        window.PostMessage(WM_IMPORT_ADDED, 0, 0x100000000);  // 4294967296: low 32 bits 0
        window.PostMessage(WM_IMPORT_ADDED, 0, 3);            // list 3 is empty
        QTRY_COMPARE(ReadLogLines(*dialog.m_log).size(), std::size_t{7});
        const std::vector<LogLine> expected{
            {QStringLiteral("更新:(7)"), kRed, true},
            {QStringLiteral("添加:(7)"), kGreen, true},
            {QStringLiteral("添加:(0)"), kGreen, true},
            {QStringLiteral("添加:(0)"), kGreen, true},
            {QStringLiteral("更新:(-1)"), kRed, true},
            {QStringLiteral("添加:only.txt(0)"), kGreen, true},
            {QStringLiteral("添加:(3)"), kGreen, true},
        };
        QCOMPARE(ReadLogLines(*dialog.m_log), expected);
        dialog.m_status->setText(QStringLiteral("before"));
        window.PostMessage(WM_IMPORT_PROGRESS, 0, 7);
        QTRY_COMPARE(dialog.m_status->text(), QStringLiteral("\r\n"));
        dialog.m_status->setText(QStringLiteral("before"));
        window.PostMessage(WM_IMPORT_PROGRESS, 9, 0);
        QTRY_COMPARE(dialog.m_status->text(), QStringLiteral("\r\n"));
        // Unknown messages are not in the message map.
        window.PostMessage(kWmUser + 99, 0, 0);
        window.PostMessage(kWmUser + 105, 0, 0);
        window.PostMessage(WM_IMPORT_PROGRESS, 0, 0);
        QTRY_COMPARE(dialog.m_status->text(), QStringLiteral("/src/new/only.txt\r\n"));
        QCOMPARE(ReadLogLines(*dialog.m_log).size(), std::size_t{7});
    }

    void FourthFinishedMessageBringsTheButtonsBack() {
        CKelvarinDlg dialog(m_app.Choosers());
        QPushButton* import = Button(dialog, "IDC_IMPORT");
        QPushButton* generate = Button(dialog, "IDC_GENERATE");
        import->setEnabled(false);
        generate->setEnabled(false);
        MessageWindow& window = dialog.Window();
        // Any four, whatever their parameters.
        const std::intptr_t workers[] = {3, 3, 9};
        for (int i = 0; i < 3; ++i) {
            window.PostMessage(WM_IMPORT_FINISHED, 0, workers[i]);
            QTRY_COMPARE(CKelvarinDlg::s_finishedWorkers, i + 1);
            QVERIFY(!import->isEnabled());
            QVERIFY(!generate->isEnabled());
        }
        window.PostMessage(WM_IMPORT_FINISHED, 77, -5);
        QTRY_VERIFY(import->isEnabled());
        QVERIFY(generate->isEnabled());
        QCOMPARE(CKelvarinDlg::s_finishedWorkers, 0);
        // A fifth counts, and nothing visible changes.
        const QString log = dialog.m_log->toPlainText();
        window.PostMessage(WM_IMPORT_FINISHED, 0, 0);
        QTRY_COMPARE(CKelvarinDlg::s_finishedWorkers, 1);
        QVERIFY(import->isEnabled());
        QVERIFY(generate->isEnabled());
        QVERIFY(Progress(dialog)->isHidden());
        QCOMPARE(dialog.m_log->toPlainText(), log);
        QVERIFY(dialog.m_status->text().isEmpty());
        // Leave the process-wide counter as the other tests expect it.
        for (int i = 0; i < 3; ++i) {
            window.PostMessage(WM_IMPORT_FINISHED, 0, 0);
        }
        QTRY_COMPARE(CKelvarinDlg::s_finishedWorkers, 0);
    }

    void AddedLinesScrollToTheEndUpdatedLinesDoNot() {
        CKelvarinDlg dialog(m_app.Choosers());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.m_sourceRoot = "/src";
        dialog.m_workerFiles[0] = {"/src/a.txt"};
        MessageWindow& window = dialog.Window();
        for (int i = 0; i < 60; ++i) {
            window.PostMessage(WM_IMPORT_ADDED, 0, 0);
        }
        QTRY_COMPARE(ReadLogLines(*dialog.m_log).size(), std::size_t{60});
        QScrollBar* bar = dialog.m_log->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());

        bar->setValue(0);
        for (int i = 0; i < 10; ++i) {
            window.PostMessage(WM_IMPORT_UPDATED, 0, 0);
        }
        QTRY_COMPARE(ReadLogLines(*dialog.m_log).size(), std::size_t{70});
        QCOMPARE(bar->value(), 0);

        window.PostMessage(WM_IMPORT_ADDED, 0, 0);
        QTRY_COMPARE(ReadLogLines(*dialog.m_log).size(), std::size_t{71});
        QCOMPARE(bar->value(), bar->maximum());
        QVERIFY(bar->value() > 0);
    }

    void ProgressBarCountsFilesDone() {
        MakeTrees();
        m_app.Choosers().AnswerFolder(m_source);
        CKelvarinDlg dialog(m_app.Choosers());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QProgressBar* progress = Progress(dialog);
        std::vector<int> values;
        connect(progress, &QProgressBar::valueChanged, this,
                [&values](int value) { values.push_back(value); });
        QTest::mouseClick(Button(dialog, "IDC_IMPORT"), Qt::LeftButton);
        QVERIFY(progress->isVisible());
        QCOMPARE(progress->maximum(), 5);
        QCOMPARE(progress->value(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(CommandsEnabled(dialog), kImportTimeoutMs);
        QVERIFY(progress->isHidden());
        // Files done only ever grow, and all five were done before it hid.
        QVERIFY(!values.empty());
        QVERIFY(std::is_sorted(values.begin(), values.end()));
        QCOMPARE(values.back(), 5);
    }
};

}  // namespace kelvarin::app::test

QTEST_MAIN(kelvarin::app::test::ImportDialogTest)
#include "import_dialog_test.moc"
