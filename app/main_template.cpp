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

// A control of the template: its identifier as object name, its place.
template <class Control>
Control* Place(Control* control, const char* id, QRect rect, const DialogBaseUnits& base) {
    control->setObjectName(QString::fromLatin1(id));
    control->setGeometry(MapDialogRect(rect, base));
    return control;
}

QPushButton* Button(QDialog& dialog, const char* text, const char* id, QRect rect,
                    const DialogBaseUnits& base) {
    auto* button = Place(new QPushButton(QString::fromLatin1(text), &dialog), id, rect, base);
    // Enter is the dialog's to handle: no button is a default one.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

// A read-only line without a frame reads as text on the dialog.
void MakeStatusLine(DialogLineEdit& status) {
    status.setReadOnly(true);
    status.setFrame(false);
    status.SetFocusFrame(true);
    QPalette palette = status.palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    status.setPalette(palette);
}

// Centred in the band below the buttons and as wide as the log.
QProgressBar* MakeProgressBar(QDialog& dialog, const MainControls& c) {
    auto* bar = new QProgressBar(&dialog);
    bar->setObjectName(QStringLiteral("progress"));
    const QRect log = c.log->geometry();
    const int buttonsBottom = c.import->geometry().bottom() + 1;
    const int band = dialog.height() - buttonsBottom;
    bar->setGeometry(log.x(), buttonsBottom + (band - kProgressHeight) / 2, log.width(),
                     kProgressHeight);
    bar->setTextVisible(false);
    bar->setFocusPolicy(Qt::NoFocus);
    bar->hide();
    return bar;
}

void SetFocusChain(const MainControls& c) {
    QWidget* const chain[] = {c.import, c.generate, c.rootEdit, c.browse, c.log, c.status};
    for (QWidget* control : chain) {
        control->setFocusPolicy(Qt::StrongFocus);
    }
    for (std::size_t i = 1; i < std::size(chain); ++i) {
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    }
    c.directoryLabel->setFocusPolicy(Qt::NoFocus);
}

}  // namespace

MainControls CreateMainControls(QDialog& dialog) {
    dialog.setObjectName(QStringLiteral("IDD_MAIN"));
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    dialog.setWindowTitle(QString::fromLatin1(kMainCaption));
    dialog.setFont(DialogFont());
    const DialogBaseUnits base = DialogBaseUnitsOf(dialog.font());
    dialog.setFixedSize(MapDialogSize(kMainSize, base));

    // Created in tab order, so that the focus chain starts at Import File.
    MainControls c;
    c.import = Button(dialog, kImportText, "IDC_IMPORT", kImportRect, base);
    c.generate = Button(dialog, kGenerateText, "IDC_GENERATE", kGenerateRect, base);
    c.rootEdit = Place(new DialogLineEdit(&dialog), "IDC_ROOT_PATH", kRootPathRect, base);
    c.browse = Button(dialog, kBrowseText, "IDC_BROWSE", kBrowseRect, base);
    c.directoryLabel = new QLabel(QString::fromLatin1(kDirectoryText), &dialog);
    c.directoryLabel->setTextFormat(Qt::PlainText);
    c.directoryLabel->setGeometry(MapDialogRect(kDirectoryRect, base));
    c.log = Place(new RichLog(&dialog), "IDC_LOG", kLogRect, base);
    c.status = Place(new DialogLineEdit(&dialog), "IDC_STATUS", kStatusRect, base);
    MakeStatusLine(*c.status);
    c.progress = MakeProgressBar(dialog, c);
    SetFocusChain(c);
    return c;
}

}  // namespace kelvarin::app
