// The dialog's string table: texts looked up by resource id, as the window
// menu loads its About item. An id without a string gives an empty text.
#pragma once

#include <QString>

namespace kelvarin::app {

QString LoadResourceString(int id);

}  // namespace kelvarin::app
