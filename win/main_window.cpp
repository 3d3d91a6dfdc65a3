// The main window's procedure: its creation from the template, the
// commands, the system menu, the minimised icon and the window's end.
#include "win/main_window.h"

#include <utility>

#include "fileio/windows/win32_text.h"
#include "win/about_box.h"
#include "win/resource.h"

namespace kelvarin::win {

namespace {

std::string WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return Utf8Of(text);
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, Choosers& choosers, WorkerLauncher launch)
    : m_instance(instance),
      m_choosers(choosers),
      m_icon(LoadIconW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME))),
      m_dialog(*this, std::move(launch)) {}

MainWindow::~MainWindow() {
    m_tasks.Detach();
    if (!m_modal && m_window != nullptr && IsWindow(m_window)) {
        DestroyWindow(m_window);
    }
}

INT_PTR MainWindow::RunModal() {
    m_modal = true;
    return DialogBoxParamW(m_instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

HWND MainWindow::Create() {
    m_modal = false;
    return CreateDialogParamW(m_instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, DialogProc,
                              reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK MainWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        reinterpret_cast<MainWindow*>(lParam)->OnInitDialog(window);
        return TRUE;  // the focus goes to the first tab stop, Import File
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, DWLP_USER));
    if (self == nullptr) {
        return FALSE;
    }
    const INT_PTR result = self->OnMessage(message, wParam, lParam);
    // What the message appended to the log shows now, in one insertion.
    self->m_log.Flush();
    return result;
}

void MainWindow::OnInitDialog(HWND window) {
    m_window = window;
    m_tasks.Attach(window);
    m_log.Attach(Control(IDC_LOG));
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
    wchar_t about[128] = {};
    if (LoadStringW(m_instance, IDS_ABOUTBOX, about, static_cast<int>(std::size(about))) > 0) {
        HMENU menu = GetSystemMenu(window, FALSE);
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, about);
    }
    m_dialog.OnInitDialog();
}

INT_PTR MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
        case WindowTasks::kWakeMessage:
            m_tasks.RunWaiting();
            return TRUE;
        case WM_TIMER:
            if (wParam == WindowTasks::kWakeTimer) {
                m_tasks.RunWaiting();
            } else if (wParam == kProgressTimer) {
                m_dialog.OnTimer();
            }
            return TRUE;
        case WM_COMMAND:
            return OnCommand(LOWORD(wParam), HIWORD(wParam));
        case WM_SYSCOMMAND:
            return OnSysCommand(wParam);
        case WM_PAINT:
            return OnPaint();
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(m_icon);
        case WM_DESTROY:
            m_tasks.Detach();
            KillTimer(m_window, kProgressTimer);
            return FALSE;
        default:
            return FALSE;
    }
}

bool MainWindow::OnCommand(int id, int code) {
    switch (id) {
        case IDC_BROWSE:
        case IDC_IMPORT:
        case IDC_GENERATE:
            if (code != BN_CLICKED) {
                return true;
            }
            if (id == IDC_BROWSE) {
                m_dialog.OnBrowse();
            } else if (id == IDC_IMPORT) {
                m_dialog.OnImportFile();
            } else {
                m_dialog.OnGenerateFileList();
            }
            return true;
        case IDOK:
            // Enter where no button has the focus: in the root box it applies
            // the typed folder; anywhere else nothing, and never the end.
            if (GetFocus() == Control(IDC_ROOT_PATH)) {
                m_dialog.OnRootPathEntered(WindowText(Control(IDC_ROOT_PATH)));
            }
            return true;
        case IDCANCEL:  // Escape, the close box, Alt+F4, the system menu's close
            m_dialog.OnClose(IDCANCEL);
            return true;
        default:
            return false;
    }
}

bool MainWindow::OnSysCommand(WPARAM id) {
    if ((id & 0xFFF0) != IDM_ABOUTBOX) {
        return false;  // move, close and the rest: the system's handling
    }
    ShowAboutBox(m_instance, m_window);
    return true;
}

bool MainWindow::OnPaint() {
    if (!IsIconic(m_window)) {
        return false;
    }
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_window, &paint);
    SendMessageW(m_window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(m_window, &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_icon);
    EndPaint(m_window, &paint);
    return true;
}

void MainWindow::EndDialog(int result) {
    m_ended = true;
    m_result = result;
    if (m_modal) {
        ::EndDialog(m_window, result);
    } else {
        DestroyWindow(m_window);
    }
}

}  // namespace kelvarin::win
