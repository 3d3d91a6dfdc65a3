// The native dialog as a user drives it: clicks, Enter and Escape, the
// system menu and the About box, over the behaviour that tests/dialog
// checks without a window. The log is read back from the rich edit control,
// the layout from the controls' windows. Choosers are answered by the test.
#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <gtest/gtest.h>
#include <ole2.h>
#include <richedit.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>

#include "fileio/windows/win32_text.h"
#include "import/import_messages.h"
#include "tests/support/temp_dir.h"
#include "win/main_window.h"
#include "win/resource.h"

namespace kelvarin::win {
namespace {

class WindowsEnvironment final : public testing::Environment {
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof(controls), 0xFF};
        InitCommonControlsEx(&controls);
        LoadLibraryW(L"riched20.dll");
        OleInitialize(nullptr);
    }
};
const testing::Environment* const kEnvironment =
    testing::AddGlobalTestEnvironment(new WindowsEnvironment);

// Answers from its lists; an empty answer, or none left, cancels.
class ScriptedChoosers final : public Choosers {
public:
    std::vector<std::string> folders, saves, requests, questions, messages;
    bool yes = false;
    std::optional<std::string> ChooseFolder(HWND, const std::string& title,
                                            const std::string& initial) override {
        requests.push_back(title + "|" + initial);
        return Next(folders);
    }
    std::optional<std::string> ChooseSaveFile(HWND, const std::string& initial,
                                              const std::string& suffix) override {
        requests.push_back(initial + "|" + suffix);
        return Next(saves);
    }
    bool AskYesNo(HWND, const std::string& question) override {
        questions.push_back(question);
        return yes;
    }
    void ShowMessage(HWND, const std::string& text) override { messages.push_back(text); }
    static std::optional<std::string> Next(std::vector<std::string>& answers) {
        if (answers.empty() || answers.front().empty()) {
            return std::nullopt;
        }
        std::string answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
};

std::string Text(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return Utf8Of(text);
}

class MainWindowTest : public testing::Test {
protected:
    test::TempDir m_work;
    std::filesystem::path m_previous = std::filesystem::current_path();
    ScriptedChoosers m_choosers;
    std::shared_ptr<ImportProgress> m_progress;  // of the last import started
    std::unique_ptr<MainWindow> m_window;
    HWND m_dialog = nullptr;

    // A source "src" of files Data/F0.., root.folder naming an empty "root",
    // and the window, whose workers run for real or are not started.
    void Open(bool real = true) {
        std::filesystem::current_path(m_work.Path());
        for (int i = 0; i < 3; ++i) {
            test::WriteFile(m_work / ("src/Data/F" + std::to_string(i)), std::string(100 + i, 'a'));
        }
        std::filesystem::create_directories(m_work / "root");
        test::WriteFile("root.folder", m_work / "root");
        m_window = std::make_unique<MainWindow>(
            GetModuleHandleW(nullptr), m_choosers, [this, real](std::unique_ptr<ImportJob> job) {
                m_progress = job->progress;
                return real ? LaunchWorkerThread(std::move(job)) : std::jthread();
            });
        m_dialog = m_window->Create();
        ASSERT_NE(m_dialog, nullptr);
    }
    void TearDown() override {
        m_window.reset();
        std::filesystem::current_path(m_previous);
    }

    // Runs the thread's message loop, as the program's would, until `done`.
    void PumpUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        MSG message;
        while (!done()) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the window never got there";
            if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            } else if (!IsWindow(m_dialog) || !IsDialogMessageW(m_dialog, &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
    }
    // A key pressed where the focus is.
    void Press(UINT key) {
        PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
        PostMessageW(GetFocus(), WM_KEYUP, key, 0xC0000001);
        PumpUntil([] { return GetQueueStatus(QS_ALLPOSTMESSAGE | QS_INPUT) == 0; });
    }
    void Click(int id) {
        SendMessageW(m_dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(m_dialog, id)));
    }
    bool Enabled() const {
        return IsWindowEnabled(GetDlgItem(m_dialog, IDC_IMPORT)) &&
               IsWindowEnabled(GetDlgItem(m_dialog, IDC_GENERATE));
    }
    int FocusId() const { return GetDlgCtrlID(GetFocus()); }

    // The log's lines as the control holds them, each with its colour.
    std::vector<std::string> Log() const {
        const HWND log = GetDlgItem(m_dialog, IDC_LOG);
        std::wstring text(1 << 20, L'\0');
        GETTEXTEX how{static_cast<DWORD>(text.size() * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr,
                      nullptr};
        text.resize(
            static_cast<std::size_t>(SendMessageW(log, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&how),
                                                  reinterpret_cast<LPARAM>(text.data()))));
        std::vector<std::string> lines;
        for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
            end = std::min(text.find(L'\r', start), text.size());
            SendMessageW(log, EM_SETSEL, start, start + 1);
            CHARFORMATW format{};
            format.cbSize = sizeof(format);
            SendMessageW(log, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
            char color[16];
            std::snprintf(color, sizeof(color), " %06lX", format.crTextColor);
            lines.push_back(Utf8Of(text.substr(start, end - start)) + color);
        }
        return lines;
    }
};

// The template's controls in creation (and tab) order, in dialog units.
TEST_F(MainWindowTest, TheWindowIsTheTemplate) {
    Open();
    struct Row {
        int id;
        const char* className;
        RECT units;  // left, top, width, height
        bool visible;
    };
    const Row rows[] = {
        {IDC_IMPORT, "Button", {141, 227, 68, 16}, true},
        {IDC_GENERATE, "Button", {248, 227, 80, 16}, true},
        {IDC_ROOT_PATH, "Edit", {51, 7, 357, 14}, true},
        {IDC_BROWSE, "Button", {412, 7, 37, 15}, true},
        {-1, "Static", {11, 9, 40, 9}, true},
        {IDC_LOG, "RichEdit20A", {7, 25, 442, 181}, true},
        {IDC_STATUS, "Edit", {7, 209, 442, 12}, true},
        {IDC_PROGRESS, "msctls_progress32", {7, 245, 442, 4}, false},
    };
    HWND control = GetWindow(m_dialog, GW_CHILD);
    for (const Row& row : rows) {
        ASSERT_NE(control, nullptr);
        // Place and size are mapped apart, as the dialog manager does.
        RECT expected = row.units;
        MapDialogRect(m_dialog, &expected);
        RECT actual;
        GetWindowRect(control, &actual);
        MapWindowPoints(nullptr, m_dialog, reinterpret_cast<POINT*>(&actual), 2);
        char className[64] = {};
        GetClassNameA(control, className, sizeof(className));
        EXPECT_EQ(static_cast<int>(GetDlgCtrlID(control)) == row.id || row.id == -1, true);
        EXPECT_STRCASEEQ(className, row.className);
        EXPECT_EQ(std::vector<LONG>({actual.left, actual.top, actual.right - actual.left,
                                     actual.bottom - actual.top}),
                  std::vector<LONG>({expected.left, expected.top, expected.right, expected.bottom}))
            << row.id;
        EXPECT_EQ(IsWindowVisible(control) != FALSE, row.visible) << row.id;
        control = GetWindow(control, GW_HWNDNEXT);
    }
    EXPECT_EQ(Text(m_dialog), "Kelvarin 0.3");
    PumpUntil([] { return GetQueueStatus(QS_ALLPOSTMESSAGE) == 0; });
    EXPECT_EQ(m_choosers.messages, std::vector<std::string>{});
    EXPECT_EQ(FocusId(), IDC_IMPORT);
    EXPECT_EQ(Text(GetDlgItem(m_dialog, IDC_ROOT_PATH)), m_work / "root");
    const HMENU menu = GetSystemMenu(m_dialog, FALSE);
    const int items = GetMenuItemCount(menu);
    wchar_t about[64] = {};
    GetMenuStringW(menu, items - 1, about, 64, MF_BYPOSITION);
    EXPECT_EQ(Utf8Of(about), "关于 Kelvarin(&A)...");
    EXPECT_EQ(GetMenuItemID(menu, items - 1), static_cast<UINT>(IDM_ABOUTBOX));
    EXPECT_EQ(GetMenuState(menu, items - 2, MF_BYPOSITION) & MF_SEPARATOR, MF_SEPARATOR);
}

TEST_F(MainWindowTest, TheAboutBoxOpensFromTheSystemMenuAndEscapeClosesIt) {
    Open();
    static std::string seen;
    seen.clear();
    // Runs inside the box's own loop: reads it, then presses Escape in it.
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
        const HWND box = FindWindowW(L"#32770", WideOf("关于 Kelvarin").c_str());
        if (box != nullptr && seen.empty()) {
            seen = Text(GetDlgItem(box, IDOK)) + "|" + Text(GetFocus());
            PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1);
        }
    });
    SendMessageW(m_dialog, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    KillTimer(nullptr, timer);
    EXPECT_EQ(seen, "确定|确定");
    EXPECT_FALSE(m_window->Ended());
}

// Two imports (added, then one updated) and a file list, as clicked.
TEST_F(MainWindowTest, ImportsAndAFileListLogInTheirColours) {
    Open();
    m_choosers.folders = {m_work / "src", m_work / "src"};
    Click(IDC_IMPORT);
    EXPECT_FALSE(Enabled());
    PumpUntil([this] { return Enabled(); });
    test::WriteFile(m_work / "src/Data/F1", "changed");
    Click(IDC_IMPORT);
    PumpUntil([this] { return Enabled(); });
    std::vector<std::string> log = Log();
    ASSERT_EQ(log.size(), 6u) << testing::PrintToString(log);
    std::sort(log.begin(), log.begin() + 3);
    EXPECT_EQ(log[0], "添加:Data\\F0(0) 00FF00");
    EXPECT_EQ(log[2], "添加:Data\\F2(2) 00FF00");
    EXPECT_EQ(log[3].substr(0, 20), "added 3, updated 0, ");
    EXPECT_EQ(log[3].substr(log[3].size() - 7), " A00000");
    EXPECT_EQ(log[4], "更新:Data\\F1(1) 0000FF");
    EXPECT_EQ(FocusId(), IDC_IMPORT);

    m_choosers.saves = {m_work / "root/list.xml"};
    Click(IDC_GENERATE);
    PumpUntil([this] { return Enabled(); });
    EXPECT_EQ(m_choosers.messages, std::vector<std::string>{"Generate file list completed!"});
    EXPECT_TRUE(std::filesystem::exists(m_work / "root/list.xml.bin"));
    EXPECT_EQ(m_choosers.requests[1], "选定目录|" + m_work / "src");
    EXPECT_EQ(m_choosers.requests[2].substr(m_choosers.requests[2].size() - 4), "|xml");
    EXPECT_EQ(FocusId(), IDC_GENERATE);
}

// Enter applies a typed root or clicks the focused button, never ends the
// dialog; Escape during a run asks, and on yes ends once the workers have.
TEST_F(MainWindowTest, EnterNeverEndsTheDialogAndEscapeStopsARunFirst) {
    Open(false);
    const HWND edit = GetDlgItem(m_dialog, IDC_ROOT_PATH);
    SetWindowTextW(edit, WideOf(m_work / "src").c_str());
    SendMessageW(m_dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
    Press(VK_RETURN);
    EXPECT_EQ(test::ReadFile("root.folder"), test::ToBytes(m_work / "src"));
    SetWindowTextW(edit, WideOf(m_work / "root").c_str());
    Press(VK_RETURN);
    SendMessageW(m_dialog, WM_NEXTDLGCTL,
                 reinterpret_cast<WPARAM>(GetDlgItem(m_dialog, IDC_IMPORT)), TRUE);
    Press(VK_RETURN);  // cancelled chooser
    m_choosers.folders = {m_work / "src"};
    Press(VK_RETURN);
    PumpUntil([this] { return !m_window->Scanning(); });
    EXPECT_FALSE(Enabled());
    EXPECT_NE(FocusId(), IDC_IMPORT);
    Press(VK_ESCAPE);
    EXPECT_EQ(m_choosers.questions.size(), 1u);
    EXPECT_FALSE(m_window->Ended());
    m_choosers.yes = true;
    Press(VK_ESCAPE);
    EXPECT_TRUE(m_progress->stopRequested);
    for (int worker = 0; worker < 4; ++worker) {
        m_window->Window().PostMessage(WM_IMPORT_FINISHED, 0, worker);
    }
    PumpUntil([this] { return m_window->Ended(); });
    EXPECT_EQ(m_window->Result(), IDCANCEL);
    EXPECT_EQ(m_choosers.requests.size(), 2u);
}

}  // namespace
}  // namespace kelvarin::win
