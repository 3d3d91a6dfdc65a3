// What the programs that drive the real native dialog share (the stall
// benchmark and the README's picture): the window's classes loaded, choosers
// that answer without asking, and the thread's message loop.
#pragma once

#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <ole2.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "win/main_window.h"

namespace kelvarin::win::bench {

// Every folder chosen is `source`; the list goes where the dialog proposes
// it; questions are answered no and messages printed.
class FixedChoosers final : public Choosers {
public:
    explicit FixedChoosers(std::string source) : m_source(std::move(source)) {}
    std::optional<std::string> ChooseFolder(HWND, const std::string&, const std::string&) override {
        return m_source;
    }
    std::optional<std::string> ChooseSaveFile(HWND, const std::string& initial,
                                              const std::string&) override {
        return initial;
    }
    bool AskYesNo(HWND, const std::string&) override { return false; }
    void ShowMessage(HWND, const std::string& text) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }

private:
    std::string m_source;
};

// The classes the dialog's template needs, as the program loads them.
inline void LoadDialogClasses() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), 0xFF};
    InitCommonControlsEx(&controls);
    LoadLibraryW(L"riched20.dll");
    OleInitialize(nullptr);
}

// Runs the thread's message loop, as the program's would, until `done`, or
// for `ms` when `done` is empty.
inline void Pump(HWND dialog, const std::function<bool()>& done, DWORD ms = 0) {
    const ULONGLONG end = GetTickCount64() + ms;
    MSG message;
    while (done ? !done() : GetTickCount64() < end) {
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        } else if (!IsDialogMessageW(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

// The real window with real workers, `root` kept in ./root.folder and every
// folder chosen `source`, as a driver starts it.
struct DrivenDialog {
    DrivenDialog(const char* source, const char* root) : choosers(source) {
        LoadDialogClasses();
        std::ofstream("root.folder", std::ios::binary) << root;
        dialog = window.Create();
    }
    FixedChoosers choosers;
    MainWindow window{GetModuleHandleW(nullptr), choosers};
    HWND dialog = nullptr;
};

}  // namespace kelvarin::win::bench
