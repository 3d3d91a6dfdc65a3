// The main dialog and the About box as windows: sizes and rectangles from
// dialog units, control kinds, texts and states, tab order and focus, the
// keys that end the dialog, the window menu and the icon.
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "app/about_dlg.h"
#include "app/dialog_font.h"
#include "app/dialog_units.h"
#include "app/kelvarin_dlg.h"
#include "app/resource.h"
#include "app_test_support.h"

namespace kelvarin::app::test {

namespace {

struct ControlRect {
    const char* name;
    QRect units;
};

// The template of the main dialog, in dialog units.
const ControlRect kMainControls[] = {
    {"IDC_IMPORT", {141, 227, 68, 16}},  {"IDC_GENERATE", {248, 227, 80, 16}},
    {"IDC_ROOT_PATH", {51, 7, 357, 14}}, {"IDC_BROWSE", {412, 7, 37, 15}},
    {"IDC_LOG", {7, 25, 442, 181}},      {"IDC_STATUS", {7, 209, 442, 12}},
};

template <typename T>
T* Control(QWidget& dialog, const char* name) {
    return dialog.findChild<T*>(QString::fromLatin1(name));
}

QLabel* DirectoryLabel(QWidget& dialog) {
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->text() == QLatin1String("directory:")) {
            return label;
        }
    }
    return nullptr;
}

// Runs `answer` on the next modal window that opens, from inside its event
// loop. Should the answer not come, the window is closed after a while, so a
// test cannot hang.
void AnswerNextModal(std::function<void(QWidget*)> answer) {
    auto* guard = new QTimer(qApp);
    guard->setSingleShot(true);
    QObject::connect(guard, &QTimer::timeout, qApp, [guard] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
        }
        guard->deleteLater();
    });
    guard->start(10000);
    QTimer::singleShot(0, qApp, [answer = std::move(answer), guard] {
        guard->stop();
        guard->deleteLater();
        answer(QApplication::activeModalWidget());
    });
}

}  // namespace

class DialogWindowTest : public QObject {
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

    void PixelsAreRoundedEdgeByEdge() {
        const DialogBaseUnits base{6, 12};
        // x: (141 * 6 + 2) / 4 = 212, right edge (209 * 6 + 2) / 4 = 314;
        // y: (227 * 12 + 4) / 8 = 341, bottom (243 * 12 + 4) / 8 = 365.
        QCOMPARE(MapDialogRect(QRect(141, 227, 68, 16), base), QRect(212, 341, 102, 24));
        // Halves round up, less than a half rounds down.
        QCOMPARE(DialogXToPixels(1, base), 2);
        QCOMPARE(DialogXToPixels(3, DialogBaseUnits{7, 15}), 5);
        QCOMPARE(DialogYToPixels(1, base), 2);
        QCOMPARE(DialogYToPixels(3, DialogBaseUnits{7, 15}), 6);
        // Widths come from the two rounded edges, not from the width alone.
        QCOMPARE(MapDialogRect(QRect(1, 0, 1, 1), DialogBaseUnits{6, 12}).width(), 1);
        QCOMPARE(MapDialogSize(QSize(456, 252), base), QSize(684, 378));
    }

    void BaseUnitsComeFromTheDialogFont() {
        const QFont font = DialogFont();
        const QFontMetrics metrics(font);
        const int letters = metrics.horizontalAdvance(
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        const DialogBaseUnits base = DialogBaseUnitsOf(font);
        QVERIFY(base.x > 0);
        QVERIFY(qAbs(base.x * 52 - letters) <= 26);  // the average, rounded
        QCOMPARE(base.y, metrics.ascent() + metrics.descent());
    }

    void DialogFontShowsTheChineseTexts() {
        CKelvarinDlg dialog(m_app.Choosers());
        QCOMPARE(dialog.font().pointSize(), 9);
        QCOMPARE(dialog.font().weight(), QFont::Normal);
        QVERIFY(!dialog.font().italic());
        const QString family = QFontInfo(dialog.font()).family();
        QVERIFY2(DialogFontFamilies().contains(family, Qt::CaseInsensitive), qPrintable(family));
        const QFontMetrics metrics(dialog.font());
        for (const QChar c : QStringLiteral("选定目录关于版确定更新添加")) {
            QVERIFY2(metrics.inFont(c), qPrintable(QString(c)));
        }
    }

    void MainDialogHasItsFixedSizeAndCaption() {
        CKelvarinDlg dialog(m_app.Choosers());
        const DialogBaseUnits base = DialogBaseUnitsOf(dialog.font());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Kelvarin 0.3"));
        QCOMPARE(dialog.size(), MapDialogSize(QSize(456, 252), base));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QVERIFY(!(dialog.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(dialog.parentWidget() == nullptr);
    }

    void EveryControlSitsAtItsRectangle() {
        CKelvarinDlg dialog(m_app.Choosers());
        const DialogBaseUnits base = DialogBaseUnitsOf(dialog.font());
        for (const ControlRect& control : kMainControls) {
            QWidget* widget = Control<QWidget>(dialog, control.name);
            QVERIFY2(widget != nullptr, control.name);
            QCOMPARE(widget->geometry(), MapDialogRect(control.units, base));
            QCOMPARE(widget->font(), dialog.font());
        }
        QLabel* label = DirectoryLabel(dialog);
        QVERIFY(label != nullptr);
        QCOMPARE(label->geometry(), MapDialogRect(QRect(11, 9, 40, 9), base));
    }

    void ProgressBarUsesOnlyTheFreeBand() {
        CKelvarinDlg dialog(m_app.Choosers());
        const DialogBaseUnits base = DialogBaseUnitsOf(dialog.font());
        auto* progress = Control<QProgressBar>(dialog, "progress");
        QVERIFY(progress != nullptr);
        QVERIFY(progress->isHidden());
        QCOMPARE(progress->geometry(), MapDialogRect(QRect(7, 245, 442, 5), base));
        for (const ControlRect& control : kMainControls) {
            QVERIFY(!progress->geometry().intersects(
                Control<QWidget>(dialog, control.name)->geometry()));
        }
        QVERIFY(progress->geometry().bottom() < dialog.height());
    }

    void ControlsHaveTheirKindTextAndState() {
        CKelvarinDlg dialog(m_app.Choosers());
        const struct {
            const char* name;
            const char* text;
        } buttons[] = {{"IDC_IMPORT", "Import File"},
                       {"IDC_GENERATE", "Generate File List"},
                       {"IDC_BROWSE", "browse"}};
        for (const auto& expected : buttons) {
            auto* button = Control<QPushButton>(dialog, expected.name);
            QVERIFY2(button != nullptr, expected.name);
            QCOMPARE(button->text(), QString::fromLatin1(expected.text));
            QVERIFY(button->isEnabled());
            QVERIFY(!button->isDefault());
            QVERIFY(!button->autoDefault());
        }
        auto* root = Control<QLineEdit>(dialog, "IDC_ROOT_PATH");
        QVERIFY(root != nullptr);
        QVERIFY(!root->isReadOnly());
        QVERIFY(root->hasFrame());
        QVERIFY(root->text().isEmpty());
        auto* log = Control<QTextEdit>(dialog, "IDC_LOG");
        QVERIFY(log != nullptr);
        QCOMPARE(log, dialog.m_log);
        QVERIFY(log->isReadOnly());
        QCOMPARE(log->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(log->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QVERIFY(log->toPlainText().isEmpty());
        auto* status = Control<QLineEdit>(dialog, "IDC_STATUS");
        QVERIFY(status != nullptr);
        QCOMPARE(status, dialog.m_status);
        QVERIFY(status->isReadOnly());
        QVERIFY(!status->hasFrame());
        QVERIFY(status->text().isEmpty());
        QLabel* label = DirectoryLabel(dialog);
        QVERIFY(label != nullptr);
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
    }

    void ImportHoldsTheFocusAndTabFollowsTheTemplate() {
        CKelvarinDlg dialog(m_app.Choosers());
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(QApplication::focusWidget(), Control<QWidget>(dialog, "IDC_IMPORT"));
        const char* order[] = {"IDC_GENERATE", "IDC_ROOT_PATH", "IDC_BROWSE",
                               "IDC_LOG",      "IDC_STATUS",    "IDC_IMPORT"};
        for (const char* name : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY2(QApplication::focusWidget() == Control<QWidget>(dialog, name), name);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), Control<QWidget>(dialog, "IDC_STATUS"));
    }

    void EscapeAndTheCloseBoxEndTheDialog() {
        {
            CKelvarinDlg dialog(m_app.Choosers());
            dialog.show();
            QApplication::setActiveWindow(&dialog);
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        }
        {
            CKelvarinDlg dialog(m_app.Choosers());
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            QVERIFY(dialog.close());
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        }
        QVERIFY(m_app.Presenter().Boxes().empty());
    }

    void EnterEndsTheDialogOnlyAwayFromPushButtons() {
        CKelvarinDlg dialog(m_app.Choosers());
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        // On a push button, Enter presses that button: Import File asks for
        // a folder (cancelled here) and the dialog stays.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QCOMPARE(m_app.Choosers().folderTitles.size(), std::size_t{1});
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(dialog.isVisible());
        QCOMPARE(m_app.Choosers().folderTitles.size(), std::size_t{2});
        // In the log, Enter ends the dialog.
        dialog.m_log->setFocus();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog.m_log));
        QTest::keyClick(dialog.m_log, Qt::Key_Return);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void EnterInTheRootBoxReadsItBackAndEnds() {
        CKelvarinDlg dialog(m_app.Choosers());
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* root = Control<QLineEdit>(dialog, "IDC_ROOT_PATH");
        root->setFocus();
        QTest::keyClicks(root, QStringLiteral("/typed"));
        QVERIFY(dialog.m_rootPath.empty());  // typing alone changes nothing
        QTest::keyClick(root, Qt::Key_Return);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.m_rootPath, std::string("/typed"));
    }

    void WindowMenuEndsWithTheAboutItem() {
        CKelvarinDlg dialog(m_app.Choosers());
        QMenu* menu = dialog.WindowMenu();
        QVERIFY(menu != nullptr);
        const QList<QAction*> actions = menu->actions();
        QCOMPARE(actions.size(), 3);
        QVERIFY(!actions[0]->isSeparator());
        QVERIFY(actions[1]->isSeparator());
        QCOMPARE(actions[2]->text(), QStringLiteral("关于 Kelvarin(&A)..."));

        // The menu opens as the dialog's context menu and from the keyboard.
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QContextMenuEvent mouse(QContextMenuEvent::Mouse, QPoint(5, 5),
                                dialog.mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(&dialog, &mouse);
        QTRY_VERIFY(menu->isVisible());
        menu->hide();
        QContextMenuEvent keyboard(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                   dialog.mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(dialog.focusWidget(), &keyboard);  // Import File
        QTRY_VERIFY(menu->isVisible());
        menu->hide();
        QTest::keyClick(&dialog, Qt::Key_Space, Qt::AltModifier);
        QTRY_VERIFY(menu->isVisible());
        menu->hide();

        // The first item closes the dialog.
        actions[0]->trigger();
        QVERIFY(!dialog.isVisible());
    }

    void AboutItemOpensTheAboutBox() {
        CKelvarinDlg dialog(m_app.Choosers());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QAction* about = dialog.WindowMenu()->actions().last();
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            bool seen = false;
            AnswerNextModal([&](QWidget* modal) {
                auto* box = qobject_cast<CAboutDlg*>(modal);
                if (box == nullptr) {
                    return;
                }
                seen = box->windowTitle() == QStringLiteral("关于 Kelvarin") &&
                       box->parentWidget() == &dialog;
                QTest::keyClick(box, key);
            });
            about->trigger();  // returns once the box is closed
            QVERIFY(seen);
            QVERIFY(QApplication::activeModalWidget() == nullptr);
        }
        // Any id from 16 to 31 is the About command.
        bool seen = false;
        AnswerNextModal([&](QWidget* modal) {
            seen = qobject_cast<CAboutDlg*>(modal) != nullptr;
            if (modal != nullptr) {
                modal->close();
            }
        });
        dialog.OnSysCommand(0x1F, 0);
        QVERIFY(seen);
        QVERIFY(dialog.isVisible());
    }

    void AboutBoxShowsIconVersionAndOk() {
        CAboutDlg about;
        const DialogBaseUnits base = DialogBaseUnitsOf(about.font());
        QCOMPARE(about.windowTitle(), QStringLiteral("关于 Kelvarin"));
        QCOMPARE(about.size(), MapDialogSize(QSize(235, 55), base));
        QCOMPARE(about.minimumSize(), about.maximumSize());
        QCOMPARE(about.font().pointSize(), 9);
        auto* icon = about.findChild<QLabel*>(QStringLiteral("IDR_MAINFRAME"));
        QVERIFY(icon != nullptr);
        QCOMPARE(icon->pixmap().size(), QSize(32, 32));
        QCOMPARE(icon->pos(), MapDialogRect(QRect(11, 17, 20, 20), base).topLeft());
        auto* version = about.findChild<QLabel*>(QStringLiteral("version"));
        QVERIFY(version != nullptr);
        QCOMPARE(version->text(), QStringLiteral("Kelvarin 1.0 版"));
        QCOMPARE(version->geometry(), MapDialogRect(QRect(40, 10, 119, 8), base));
        QPushButton* ok = about.OkButton();
        QCOMPARE(ok->text(), QStringLiteral("确定"));
        QVERIFY(ok->isDefault());
        QCOMPARE(ok->geometry(), MapDialogRect(QRect(178, 7, 50, 16), base));

        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QTest::keyClick(&about, Qt::Key_Return);
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), int(QDialog::Accepted));
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QTest::keyClick(&about, Qt::Key_Escape);
        QVERIFY(!about.isVisible());
        QCOMPARE(about.result(), int(QDialog::Rejected));
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(!about.isVisible());
    }

    void IconIsA32PixelPictureWithoutAlpha() {
        const QImage image(QString::fromLatin1(kIconResource));
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), QSize(32, 32));
        QVERIFY(!image.hasAlphaChannel());
        // Not a flat square: it has a picture.
        QVERIFY(image.pixelColor(16, 8) != image.pixelColor(4, 28));
        CKelvarinDlg dialog(m_app.Choosers());
        QVERIFY(!dialog.windowIcon().isNull());
        QVERIFY(!dialog.m_icon.isNull());
    }
};

}  // namespace kelvarin::app::test

QTEST_MAIN(kelvarin::app::test::DialogWindowTest)
#include "dialog_window_test.moc"
