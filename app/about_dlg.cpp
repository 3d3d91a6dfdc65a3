// The About box, built from its template.
#include "app/about_dlg.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include "app/dialog_font.h"
#include "app/dialog_units.h"
#include "app/resource.h"

namespace kelvarin::app {

namespace {
constexpr QSize kAboutSize(235, 55);
constexpr QRect kIconRect(11, 17, 20, 20);
constexpr QRect kVersionRect(40, 10, 119, 8);
constexpr QRect kOkRect(178, 7, 50, 16);
// An icon control takes the size of its picture.
constexpr int kIconPixels = 32;
}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("IDD_ABOUTBOX"));
    setWindowTitle(QString::fromUtf8(kAboutCaption));
    setFont(DialogFont());
    const DialogBaseUnits base = DialogBaseUnitsOf(font());
    setFixedSize(MapDialogSize(kAboutSize, base));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("IDR_MAINFRAME"));
    icon->setPixmap(QIcon(QString::fromLatin1(kIconResource)).pixmap(kIconPixels, kIconPixels));
    const QRect iconRect = MapDialogRect(kIconRect, base);
    icon->setGeometry(iconRect.x(), iconRect.y(), kIconPixels, kIconPixels);

    auto* version = new QLabel(QString::fromUtf8(kAboutVersionText), this);
    version->setObjectName(QStringLiteral("version"));
    version->setTextFormat(Qt::PlainText);
    version->setGeometry(MapDialogRect(kVersionRect, base));

    m_ok = new QPushButton(QString::fromUtf8(kAboutOkText), this);
    m_ok->setObjectName(QStringLiteral("IDOK"));
    m_ok->setGeometry(MapDialogRect(kOkRect, base));
    m_ok->setDefault(true);
    m_ok->setFocus();
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace kelvarin::app
