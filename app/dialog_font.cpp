// Choosing the dialog font among the installed faces.
#include "app/dialog_font.h"

#include <QFontDatabase>
#include <QGuiApplication>

namespace kelvarin::app {

namespace {

// The faces tried, best first.
QStringList DialogFontFamilies() {
    return {QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Micro Hei"),
            QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Droid Sans Fallback")};
}

}  // namespace

QFont DialogFont() {
    const QStringList installed = QFontDatabase::families();
    QFont font = QGuiApplication::font();
    for (const QString& family : DialogFontFamilies()) {
        if (installed.contains(family, Qt::CaseInsensitive)) {
            font.setFamilies({family});
            break;
        }
    }
    font.setPointSize(kDialogPointSize);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

}  // namespace kelvarin::app
