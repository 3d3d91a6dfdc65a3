// Where the dialog keeps root.folder and exclude.list: the current folder.
// Started from its own program folder (the Start menu's shortcut, a double
// click in Program Files), that is a folder users may not write to, so the
// program moves to a folder of the user's own instead.
#pragma once

namespace kelvarin::win {

// When the current folder is the program's own folder, makes
// %LOCALAPPDATA%\Kelvarin (if missing) and moves there. Otherwise, or when
// that folder cannot be made, stays where it is.
void LeaveProgramFolder();

}  // namespace kelvarin::win
