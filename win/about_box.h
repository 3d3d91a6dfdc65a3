// The About box (IDD_ABOUTBOX): the icon, the version line and 确定, which
// closes it, as do Enter and Escape.
#pragma once

#include <windows.h>

namespace kelvarin::win {

// Shows the box modally, owned by `owner`; returns once it is closed.
void ShowAboutBox(HINSTANCE instance, HWND owner);

}  // namespace kelvarin::win
