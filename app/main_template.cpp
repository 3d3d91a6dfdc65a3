// The main dialog's template, in dialog units (x, y, width, height), mapped
// to pixels with the dialog font's base units as the template's font would be.
#include "app/main_template.h"

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "app/dialog_font.h"
#include "app/dialog_line_edit.h"
#include "app/dialog_units.h"
#include "app/resource.h"
#include "app/rich_log.h"

namespace kelvarin::app {

namespace {

constexpr QSize kMainSize(456, 252);
constexpr QRect kImportRect(141, 227, 68, 16);
constexpr QRect kGenerateRect(248, 227, 80, 16);
constexpr QRect kRootPathRect(51, 7, 357, 14);
constexpr QRect kBrowseRect(412, 7, 37, 15);
constexpr QRect kDirectoryRect(11, 9, 40, 9);
constexpr QRect kLogRect(7, 25, 442, 181);
constexpr QRect kStatusRect(7, 209, 442, 12);

// The progress bar's height in pixels; it is centred in the band below the
// buttons and as wide as the log, so its margins are the dialog's.
constexpr int kProgressHeight = 6;

void SetNoDefault(QPushButton& button) {
    button.setAutoDefault(false);
    button.setDefault(false);
}

}  // namespace

MainControls CreateMainControls(QDialog& dialog) {
    MainControls c;
    dialog.setObjectName(QStringLiteral("IDD_MAIN"));
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    dialog.setWindowTitle(QString::fromLatin1(kMainCaption));
    dialog.setFont(DialogFont());
    const DialogBaseUnits base = DialogBaseUnitsOf(dialog.font());
    dialog.setFixedSize(MapDialogSize(kMainSize, base));

    // Created in tab order, so that the focus chain starts at Import File.
    c.import = new QPushButton(QString::fromLatin1(kImportText), &dialog);
    c.import->setObjectName(QStringLiteral("IDC_IMPORT"));
    c.import->setGeometry(MapDialogRect(kImportRect, base));

    c.generate = new QPushButton(QString::fromLatin1(kGenerateText), &dialog);
    c.generate->setObjectName(QStringLiteral("IDC_GENERATE"));
    c.generate->setGeometry(MapDialogRect(kGenerateRect, base));

    c.rootEdit = new DialogLineEdit(&dialog);
    c.rootEdit->setObjectName(QStringLiteral("IDC_ROOT_PATH"));
    c.rootEdit->setGeometry(MapDialogRect(kRootPathRect, base));

    c.browse = new QPushButton(QString::fromLatin1(kBrowseText), &dialog);
    c.browse->setObjectName(QStringLiteral("IDC_BROWSE"));
    c.browse->setGeometry(MapDialogRect(kBrowseRect, base));

    c.directoryLabel = new QLabel(QString::fromLatin1(kDirectoryText), &dialog);
    c.directoryLabel->setTextFormat(Qt::PlainText);
    c.directoryLabel->setGeometry(MapDialogRect(kDirectoryRect, base));

    c.log = new RichLog(&dialog);
    c.log->setObjectName(QStringLiteral("IDC_LOG"));
    c.log->setGeometry(MapDialogRect(kLogRect, base));

    c.status = new DialogLineEdit(&dialog);
    c.status->setObjectName(QStringLiteral("IDC_STATUS"));
    c.status->setGeometry(MapDialogRect(kStatusRect, base));
    c.status->setReadOnly(true);
    c.status->setFrame(false);
    c.status->SetFocusFrame(true);
    // A read-only line without a frame reads as text on the dialog.
    QPalette statusPalette = c.status->palette();
    statusPalette.setColor(QPalette::Base, statusPalette.color(QPalette::Window));
    c.status->setPalette(statusPalette);

    c.progress = new QProgressBar(&dialog);
    c.progress->setObjectName(QStringLiteral("progress"));
    const QRect log = MapDialogRect(kLogRect, base);
    const int buttonsBottom = c.import->geometry().bottom() + 1;
    const int band = dialog.height() - buttonsBottom;
    c.progress->setGeometry(log.x(), buttonsBottom + (band - kProgressHeight) / 2, log.width(),
                            kProgressHeight);
    c.progress->setTextVisible(false);
    c.progress->setFocusPolicy(Qt::NoFocus);
    c.progress->hide();

    for (QPushButton* button : {c.import, c.generate, c.browse}) {
        SetNoDefault(*button);
    }
    for (QWidget* control : {static_cast<QWidget*>(c.import), static_cast<QWidget*>(c.generate),
                             static_cast<QWidget*>(c.rootEdit), static_cast<QWidget*>(c.browse),
                             static_cast<QWidget*>(c.log), static_cast<QWidget*>(c.status)}) {
        control->setFocusPolicy(Qt::StrongFocus);
    }
    c.directoryLabel->setFocusPolicy(Qt::NoFocus);
    QWidget::setTabOrder(c.import, c.generate);
    QWidget::setTabOrder(c.generate, c.rootEdit);
    QWidget::setTabOrder(c.rootEdit, c.browse);
    QWidget::setTabOrder(c.browse, c.log);
    QWidget::setTabOrder(c.log, c.status);

    return c;
}

}  // namespace kelvarin::app
