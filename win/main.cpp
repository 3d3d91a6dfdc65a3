// The dialog program's entry point: the system's controls and COM (for the
// folder browser's new style) are made ready, the settings folder chosen,
// and the main dialog run modally; the program ends when it closes. Notices
// from the core's threads ("error write file") are message boxes of their
// own that block only the thread that asked.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <ole2.h>

#include "fileio/windows/win32_text.h"
#include "platform/message_box.h"
#include "win/main_window.h"
#include "win/settings_folder.h"

namespace {

class NativeMessageBoxes final : public kelvarin::MessageBoxService {
public:
    explicit NativeMessageBoxes(kelvarin::win::Choosers& choosers) : m_choosers(choosers) {}
    void SetOwner(HWND owner) { m_owner = owner; }

    void ShowOk(std::string_view text, std::string_view caption) override {
        MessageBoxW(nullptr, kelvarin::WideOf(text).c_str(), kelvarin::WideOf(caption).c_str(),
                    MB_OK | MB_SETFOREGROUND);
    }
    void ShowApp(std::string_view text) override {
        m_choosers.ShowMessage(m_owner, std::string(text));
    }

private:
    kelvarin::win::Choosers& m_choosers;
    HWND m_owner = nullptr;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
    kelvarin::win::LeaveProgramFolder();
    INITCOMMONCONTROLSEX controls{sizeof(controls), 0xFF};
    InitCommonControlsEx(&controls);
    // The log's window class, RichEdit20A.
    LoadLibraryW(L"riched20.dll");
    OleInitialize(nullptr);
    {
        kelvarin::win::NativeChoosers choosers;
        NativeMessageBoxes boxes(choosers);
        kelvarin::SetMessageBoxService(&boxes);
        // Ended before the boxes go: by then every thread that could ask
        // for one has been joined.
        kelvarin::win::MainWindow window(instance, choosers);
        window.RunModal();
        kelvarin::SetMessageBoxService(nullptr);
    }
    OleUninitialize();
    return 0;
}
