// The dialog's resource identifiers and the window texts that the templates
// carry. The numbers are those the release tooling has always used (a
// control's id is also its object name, so tests and accessibility tools
// find it), and the texts are shown exactly as written here.
#pragma once

namespace kelvarin::app {

constexpr int IDD_ABOUTBOX = 100;
constexpr int IDS_ABOUTBOX = 101;
constexpr int IDD_MAIN = 102;
constexpr int IDR_MAINFRAME = 128;
constexpr int IDM_ABOUTBOX = 0x10;
constexpr int IDC_ROOT_PATH = 1000;
constexpr int IDC_BROWSE = 1001;
constexpr int IDC_IMPORT = 1004;
constexpr int IDC_GENERATE = 1005;
constexpr int IDC_LOG = 1006;
constexpr int IDC_STATUS = 1007;
constexpr int IDOK = 1;

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

// Title of both folder choosers.
inline constexpr char kChooseFolderTitle[] = "选定目录";

// Resource path of the application icon (IDR_MAINFRAME).
inline constexpr char kIconResource[] = ":/kelvarin.png";

// The name the application's own message boxes carry as their caption.
inline constexpr char kAppName[] = "Kelvarin";

}  // namespace kelvarin::app
