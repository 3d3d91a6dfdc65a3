// The font of every Kelvarin window: "宋体" 9 point, the face the layout was
// drawn for. Linux machines rarely have it, so the first installed CJK face
// of a short list stands in; the Chinese texts then still show, and the
// layout follows the face that is used, since it is given in dialog units.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace kelvarin::app {

constexpr int kDialogPointSize = 9;

// The first installed face of a short list, best first, or the
// application's default face when none is.
// REQUIRES: a QGuiApplication exists.
QFont DialogFont();

}  // namespace kelvarin::app
