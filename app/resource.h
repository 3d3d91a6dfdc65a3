// The dialog's menu and string identifiers and the window texts that the
// templates carry. The numbers are those the release tooling has always used;
// each control's object name is its identifier's name (IDC_IMPORT), so tests
// and accessibility tools find it. The texts are shown exactly as written.
#pragma once

namespace kelvarin::app {

constexpr int IDS_ABOUTBOX = 101;
constexpr int IDM_ABOUTBOX = 0x10;

// The window-menu command that closes the dialog, as the system menu has it.
constexpr int SC_CLOSE = 0xF060;

// Main dialog.
inline constexpr char kMainCaption[] = "Kelvarin 0.3";
inline constexpr char kImportText[] = "Import File";
inline constexpr char kGenerateText[] = "Generate File List";
inline constexpr char kBrowseText[] = "browse";
inline constexpr char kDirectoryText[] = "directory:";
inline constexpr char kCloseMenuText[] = "关闭(&C)";

// About box.
inline constexpr char kAboutCaption[] = "关于 Kelvarin";
inline constexpr char kAboutVersionText[] = "Kelvarin 1.0 版";
inline constexpr char kAboutOkText[] = "确定";

// Resource path of the application icon (IDR_MAINFRAME).
inline constexpr char kIconResource[] = ":/kelvarin.png";

// The name the application's own message boxes carry as their caption.
inline constexpr char kAppName[] = "Kelvarin";

}  // namespace kelvarin::app
