// The settings files as the dialog uses them: root.folder and exclude.list
// read at start-up from the current folder, root.folder rewritten by a
// browse, and nothing changed by a cancelled browse or by typing.
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "app/kelvarin_dlg.h"
#include "app_test_support.h"

namespace kelvarin::app::test {

namespace {
QLineEdit* RootEdit(QWidget& dialog) {
    return dialog.findChild<QLineEdit*>(QStringLiteral("IDC_ROOT_PATH"));
}
QPushButton* BrowseButton(QWidget& dialog) {
    return dialog.findChild<QPushButton*>(QStringLiteral("IDC_BROWSE"));
}
}  // namespace

class SettingsDialogTest : public QObject {
    Q_OBJECT

private:
    DialogTestFixture m_app;

private slots:
    void initTestCase() { m_app.InitTestCase(); }
    void cleanupTestCase() { m_app.CleanupTestCase(); }
    void init() {
        m_app.Init();
        QVERIFY(m_app.Folder().IsValid());
    }
    void cleanup() { m_app.Cleanup(); }

    void MissingFilesLeaveRootAndExclusionsEmpty() {
        CKelvarinDlg dialog(m_app.Choosers());
        QVERIFY(dialog.m_rootPath.empty());
        QVERIFY(RootEdit(dialog)->text().isEmpty());
        QVERIFY(dialog.m_excludeList.empty());
        QVERIFY(m_app.Presenter().Boxes().empty());
        QVERIFY(!QFileInfo::exists(m_app.Folder().FilePath("root.folder")));
    }

    void RootFolderIsTheFirstLineWithoutItsEnding() {
        const QString root = m_app.Folder().FilePath("Upd");
        QVERIFY(QDir().mkpath(root));
        QVERIFY(WriteTestFile("root.folder", (root + "\r\nsecond line\r\n").toUtf8()));
        CKelvarinDlg dialog(m_app.Choosers());
        QCOMPARE(dialog.m_rootPath, ToStd(root));  // case kept
        QCOMPARE(RootEdit(dialog)->text(), root);
    }

    void RootFolderIsReadInCanonicalForm() {
        const QString root = m_app.Folder().FilePath("Upd");
        QVERIFY(WriteTestFile("root.folder", (m_app.Folder().Path() + "//x/../Upd/").toUtf8()));
        CKelvarinDlg dialog(m_app.Choosers());
        QCOMPARE(dialog.m_rootPath, ToStd(root));
    }

    void ExcludeListEntriesAreSplitAtWhiteSpace() {
        QVERIFY(WriteTestFile("exclude.list", "a.txt  b.txt\r\n\r\nc.txt\tData\\A.TXT a.txt"));
        CKelvarinDlg dialog(m_app.Choosers());
        const std::vector<std::string> expected{"a.txt", "b.txt", "c.txt", "Data\\A.TXT", "a.txt"};
        QCOMPARE(dialog.m_excludeList, expected);
    }

    void EmptyExcludeListHasNoEntries() {
        QVERIFY(WriteTestFile("exclude.list", " \r\n\t "));
        CKelvarinDlg dialog(m_app.Choosers());
        QVERIFY(dialog.m_excludeList.empty());
    }

    void BrowseSetsTheRootAndRewritesRootFolder() {
        QVERIFY(WriteTestFile("root.folder", "/old/root\r\n"));
        const QString chosen = m_app.Folder().FilePath("New/Upd");
        QVERIFY(QDir().mkpath(chosen));
        m_app.Choosers().AnswerFolder(m_app.Folder().Path() + "/New/./x/../Upd/");
        CKelvarinDlg dialog(m_app.Choosers());
        QTest::mouseClick(BrowseButton(dialog), Qt::LeftButton);
        QCOMPARE(m_app.Choosers().folderTitles, std::vector<QString>{QStringLiteral("选定目录")});
        QCOMPARE(dialog.m_rootPath, ToStd(chosen));
        QCOMPARE(RootEdit(dialog)->text(), chosen);
        // The path alone: no line end.
        QCOMPARE(ReadTestFile("root.folder"), chosen.toUtf8());
        QVERIFY(m_app.Presenter().Boxes().empty());
        // The next start reads it back.
        CKelvarinDlg next(m_app.Choosers());
        QCOMPARE(next.m_rootPath, ToStd(chosen));
    }

    void CancelledBrowseChangesNothing() {
        QVERIFY(WriteTestFile("root.folder", "/old/root\r\n"));
        m_app.Choosers().AnswerFolder(std::nullopt);
        CKelvarinDlg dialog(m_app.Choosers());
        QTest::mouseClick(BrowseButton(dialog), Qt::LeftButton);
        QCOMPARE(m_app.Choosers().folderTitles.size(), std::size_t{1});
        QCOMPARE(dialog.m_rootPath, std::string("/old/root"));
        QCOMPARE(RootEdit(dialog)->text(), QStringLiteral("/old/root"));
        QCOMPARE(ReadTestFile("root.folder"), QByteArray("/old/root\r\n"));
    }

    void TypedRootIsOverwrittenByTheNextBrowse() {
        const QString chosen = m_app.Folder().FilePath("upd");
        QVERIFY(QDir().mkpath(chosen));
        m_app.Choosers().AnswerFolder(chosen);
        CKelvarinDlg dialog(m_app.Choosers());
        RootEdit(dialog)->setText(QStringLiteral("/typed/elsewhere"));
        QVERIFY(dialog.m_rootPath.empty());
        QVERIFY(!QFileInfo::exists("root.folder"));
        QTest::mouseClick(BrowseButton(dialog), Qt::LeftButton);
        QCOMPARE(RootEdit(dialog)->text(), chosen);
        QCOMPARE(dialog.m_rootPath, ToStd(chosen));
    }

    void UnwritableRootFolderIsReported() {
        // A folder where the file should be cannot be replaced by a file.
        QVERIFY(QDir().mkpath("root.folder"));
        const QString chosen = m_app.Folder().FilePath("upd");
        QVERIFY(QDir().mkpath(chosen));
        m_app.Choosers().AnswerFolder(chosen);
        CKelvarinDlg dialog(m_app.Choosers());
        QTest::mouseClick(BrowseButton(dialog), Qt::LeftButton);
        const std::vector<PresentedBox> boxes = m_app.Presenter().Boxes();
        QCOMPARE(boxes.size(), std::size_t{1});
        QVERIFY2(boxes[0].text.contains(QStringLiteral("root.folder")), qPrintable(boxes[0].text));
        QVERIFY(boxes[0].onGuiThread);
        // The new root holds for this run all the same.
        QCOMPARE(dialog.m_rootPath, ToStd(chosen));
        QCOMPARE(RootEdit(dialog)->text(), chosen);
        QVERIFY(QFileInfo(m_app.Folder().FilePath("root.folder")).isDir());
    }
};

}  // namespace kelvarin::app::test

QTEST_MAIN(kelvarin::app::test::SettingsDialogTest)
#include "settings_dialog_test.moc"
