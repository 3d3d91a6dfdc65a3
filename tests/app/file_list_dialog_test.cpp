// Generate File List from the dialog: the save question, the run off the GUI
// thread with both commands disabled, the status line following the files,
// the completion box shown while the companion is not written yet, and the
// reports of a cancelled or failed run.
#include <sys/stat.h>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "app/kelvarin_dlg.h"
#include "app_test_support.h"

namespace kelvarin::app::test {

namespace {

constexpr int kRunTimeoutMs = 30000;

}  // namespace

class FileListDialogTest : public QObject {
    Q_OBJECT

private:
    DialogTestFixture m_app;
    QString m_root;

    // A root folder with two files that are not stored files; the list
    // describes any file.
    void MakeRoot() {
        m_root = m_app.Folder().FilePath("upd");
        QVERIFY(
            WriteTestFile(m_root + "/data/a.txt.aup", QByteArray::fromHex("03000000b0d8ac600000")));
        QVERIFY(WriteTestFile(m_root + "/music/song.mp3.aup", "not a stored file"));
        QVERIFY(WriteTestFile("root.folder", m_root.toUtf8()));
        QVERIFY(WriteTestFile("exclude.list", "DATA\\A.TXT"));
    }

private slots:
    void initTestCase() { m_app.InitTestCase(); }
    void cleanupTestCase() { m_app.CleanupTestCase(); }
    void init() {
        m_app.Init();
        QVERIFY(m_app.Folder().IsValid());
    }
    void cleanup() { m_app.Cleanup(); }

    void CompletionBoxComesBeforeTheCompanion() {
        MakeRoot();
        const QString list = m_root + "/update_filelist.xml";
        m_app.Choosers().AnswerSaveFile(list);
        CKelvarinDlg dialog(m_app.Choosers());
        m_app.Service().SetMainWindow(&dialog);  // as the application does
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        bool listThere = false;
        bool companionThere = true;
        bool stillDisabled = false;
        m_app.Presenter().onPresent = [&](const PresentedBox& box) {
            if (box.text == QLatin1String("Generate file list completed!")) {
                listThere = QFileInfo::exists(list);
                companionThere = QFileInfo::exists(list + ".bin");
                stillDisabled = !CommandsEnabled(dialog) && dialog.Busy();
            }
        };
        QTest::mouseClick(Button(dialog, "IDC_GENERATE"), Qt::LeftButton);
        QCOMPARE(m_app.Choosers().saveRequests.size(), std::size_t{1});
        QCOMPARE(m_app.Choosers().saveRequests[0].initialPath, list);
        QCOMPARE(m_app.Choosers().saveRequests[0].defaultSuffix, QStringLiteral("xml"));
        // The click has returned while the run goes on in the background.
        QVERIFY(dialog.Busy());
        QVERIFY(!Button(dialog, "IDC_IMPORT")->isEnabled());
        QVERIFY(!Button(dialog, "IDC_GENERATE")->isEnabled());
        QVERIFY(dialog.findChild<QProgressBar*>(QStringLiteral("progress"))->isVisible());

        QTRY_VERIFY_WITH_TIMEOUT(CommandsEnabled(dialog), kRunTimeoutMs);
        QVERIFY(!dialog.Busy());
        QVERIFY(dialog.findChild<QProgressBar*>(QStringLiteral("progress"))->isHidden());
        const std::vector<PresentedBox> boxes = m_app.Presenter().Boxes();
        QCOMPARE(boxes.size(), std::size_t{1});
        QCOMPARE(boxes[0].text, QStringLiteral("Generate file list completed!"));
        QVERIFY(boxes[0].owned);
        QVERIFY(listThere);
        QVERIFY(!companionThere);
        QVERIFY(stillDisabled);
        QVERIFY(QFileInfo::exists(list + ".bin"));

        // The list itself: two files, the excluded and the .mp3 ones packed 0.
        const QByteArray text = ReadTestFile(list);
        QVERIFY2(text.startsWith("<root count=\"2\">\n"), text.constData());
        QVERIFY(text.endsWith("</root>"));
        QVERIFY(text.contains("name=\"data\\a.txt.aup\" pack=\"0\" length=\"10\""));
        QVERIFY(text.contains("name=\"music\\song.mp3.aup\" pack=\"0\" length=\"17\""));
        // The status line shows the last file listed.
        QCOMPARE(dialog.m_status->text(), QStringLiteral("music\\song.mp3.aup"));
    }

    void ListSavedElsewhereGetsItsCompanionBesideIt() {
        MakeRoot();
        // A name typed without a suffix comes back with it from the chooser.
        const QString list = m_root + "/sub/mylist.xml";
        QVERIFY(QDir().mkpath(m_root + "/sub"));
        m_app.Choosers().AnswerSaveFile(list);
        CKelvarinDlg dialog(m_app.Choosers());
        QTest::mouseClick(Button(dialog, "IDC_GENERATE"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(CommandsEnabled(dialog), kRunTimeoutMs);
        QVERIFY(QFileInfo::exists(list));
        QVERIFY(QFileInfo::exists(list + ".bin"));
        QVERIFY(!QFileInfo::exists(m_root + "/update_filelist.xml"));
    }

    void CancelledSaveDoesNothing() {
        MakeRoot();
        m_app.Choosers().AnswerSaveFile(std::nullopt);
        CKelvarinDlg dialog(m_app.Choosers());
        dialog.m_status->setText(QStringLiteral("kept"));
        QTest::mouseClick(Button(dialog, "IDC_GENERATE"), Qt::LeftButton);
        QCOMPARE(m_app.Choosers().saveRequests.size(), std::size_t{1});
        QVERIFY(!dialog.Busy());
        QVERIFY(CommandsEnabled(dialog));
        QVERIFY(!QFileInfo::exists(m_root + "/update_filelist.xml"));
        QCOMPARE(dialog.m_status->text(), QStringLiteral("kept"));
        QVERIFY(m_app.Presenter().Boxes().empty());
    }

    void FailedRunIsReportedAndWritesNothing() {
        MakeRoot();
        const QString list = m_root + "/update_filelist.xml";
        QVERIFY(WriteTestFile(list, "old list"));
        QVERIFY(WriteTestFile(list + ".bin", "old companion"));
        // A FIFO cannot be listed: the run stops with a message naming it.
        const std::string fifo = ToStd(m_root + "/data/pipe");
        QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
        m_app.Choosers().AnswerSaveFile(list);
        CKelvarinDlg dialog(m_app.Choosers());
        QTest::mouseClick(Button(dialog, "IDC_GENERATE"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(CommandsEnabled(dialog), kRunTimeoutMs);
        const std::vector<PresentedBox> boxes = m_app.Presenter().Boxes();
        QCOMPARE(boxes.size(), std::size_t{1});
        QVERIFY2(boxes[0].text.contains(QStringLiteral("pipe")), qPrintable(boxes[0].text));
        QVERIFY(boxes[0].text != QLatin1String("Generate file list completed!"));
        // Neither the list nor its companion was touched.
        QCOMPARE(ReadTestFile(list), QByteArray("old list"));
        QCOMPARE(ReadTestFile(list + ".bin"), QByteArray("old companion"));
    }

    void NoRootFolderIsReported() {
        m_app.Choosers().AnswerSaveFile(m_app.Folder().FilePath("list.xml"));
        CKelvarinDlg dialog(m_app.Choosers());
        QTest::mouseClick(Button(dialog, "IDC_GENERATE"), Qt::LeftButton);
        QCOMPARE(m_app.Choosers().saveRequests[0].initialPath,
                 QStringLiteral("/update_filelist.xml"));
        QTRY_VERIFY_WITH_TIMEOUT(CommandsEnabled(dialog), kRunTimeoutMs);
        const std::vector<PresentedBox> boxes = m_app.Presenter().Boxes();
        QCOMPARE(boxes.size(), std::size_t{1});
        QVERIFY(boxes[0].text.contains(QStringLiteral("root folder")));
        QVERIFY(!QFileInfo::exists(m_app.Folder().FilePath("list.xml")));
    }

    void ClosingWhileTheListIsWrittenIsRefused() {
        MakeRoot();
        m_app.Choosers().AnswerSaveFile(m_root + "/update_filelist.xml");
        CKelvarinDlg dialog(m_app.Choosers());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(Button(dialog, "IDC_GENERATE"), Qt::LeftButton);
        QVERIFY(!dialog.close());
        QVERIFY(dialog.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(CommandsEnabled(dialog), kRunTimeoutMs);
        const std::vector<PresentedBox> boxes = m_app.Presenter().Boxes();
        QCOMPARE(boxes.size(), std::size_t{2});
        QVERIFY2(boxes[0].text.contains(QStringLiteral("file list is being generated")),
                 qPrintable(boxes[0].text));
        QCOMPARE(boxes[1].text, QStringLiteral("Generate file list completed!"));
        QVERIFY(dialog.close());
    }

    void ManyFilesKeepTheWindowResponsive() {
        // While a run of a few thousand files goes on, the GUI thread keeps
        // handling events: a timer fires many times before the run ends.
        m_root = m_app.Folder().FilePath("many");
        for (int i = 0; i < 3000; ++i) {
            // Stored files of empty content: six zero bytes.
            QVERIFY(WriteTestFile(m_root + QStringLiteral("/d%1/f%2.txt.aup").arg(i % 30).arg(i),
                                  QByteArray(6, '\0')));
        }
        QVERIFY(WriteTestFile("root.folder", m_root.toUtf8()));
        m_app.Choosers().AnswerSaveFile(m_root + "/update_filelist.xml");
        CKelvarinDlg dialog(m_app.Choosers());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        int ticks = 0;
        int ticksWhileBusy = 0;
        QTimer timer;
        timer.setInterval(1);
        connect(&timer, &QTimer::timeout, this, [&] {
            ++ticks;
            if (dialog.Busy()) {
                ++ticksWhileBusy;
            }
        });
        timer.start();
        QTest::mouseClick(Button(dialog, "IDC_GENERATE"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(CommandsEnabled(dialog), kRunTimeoutMs);
        timer.stop();
        QVERIFY2(ticksWhileBusy > 0, qPrintable(QString::number(ticks)));
        QCOMPARE(ReadTestFile(m_root + "/update_filelist.xml").count("<file "), 3000);
        QVERIFY(dialog.m_status->text().startsWith(QStringLiteral("d")));
    }
};

}  // namespace kelvarin::app::test

QTEST_MAIN(kelvarin::app::test::FileListDialogTest)
#include "file_list_dialog_test.moc"
