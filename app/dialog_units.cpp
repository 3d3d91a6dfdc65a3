// Converting dialog units to pixels.
#include "app/dialog_units.h"

#include <QFontMetrics>
#include <QString>

namespace kelvarin::app {

namespace {

constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// (units * base + 2) / 4: one horizontal coordinate in pixels.
int DialogXToPixels(int units, DialogBaseUnits base) {
    return (units * base.x + 2) / 4;
}

// (units * base + 4) / 8: one vertical coordinate in pixels.
int DialogYToPixels(int units, DialogBaseUnits base) {
    return (units * base.y + 4) / 8;
}

}  // namespace

DialogBaseUnits DialogBaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int lettersWidth = metrics.horizontalAdvance(QString::fromLatin1(kLetters));
    // The width of the 52 letters / 52, rounded to the nearest pixel.
    return {(lettersWidth / 26 + 1) / 2, metrics.height()};
}

QRect MapDialogRect(const QRect& units, DialogBaseUnits base) {
    const int left = DialogXToPixels(units.x(), base);
    const int top = DialogYToPixels(units.y(), base);
    const int right = DialogXToPixels(units.x() + units.width(), base);
    const int bottom = DialogYToPixels(units.y() + units.height(), base);
    return {left, top, right - left, bottom - top};
}

QSize MapDialogSize(const QSize& units, DialogBaseUnits base) {
    return {DialogXToPixels(units.width(), base), DialogYToPixels(units.height(), base)};
}

}  // namespace kelvarin::app
