// The dialog's behaviour without any toolkit: a recording view answers the
// choosers and boxes, keeps the log, the status and the buttons, and runs
// what is handed to the GUI thread only when the test pumps it, so every
// interleaving of worker messages and user actions is the test's to choose.
#include "dialog/main_dialog.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "fileio/paths.h"
#include "import/import_messages.h"
#include "tests/support/process.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_dir.h"

namespace kelvarin::test {
namespace {

namespace fs = std::filesystem;

// Human lines name files with the system's separator.
const std::string kData = std::string("Data") + kSeparator;

class RecordingView final : public DialogView {
public:
    std::deque<std::string> folders, saves;  // answers; none left cancels
    std::vector<std::string> folderRequests, questions, messages, log;
    bool yes = false;
    std::string status, rootText;
    bool enabled = true, timerOn = false, progressShown = false;
    std::optional<DialogCommand> focused;
    int ended = -1;
    std::uint64_t done = 0, total = 0;

    std::optional<std::string> ChooseFolder(const std::string&,
                                            const std::string& initial) override {
        folderRequests.push_back(initial);
        return Next(folders);
    }
    std::optional<std::string> ChooseSaveFile(const std::string& initial,
                                              const std::string& suffix) override {
        folderRequests.push_back(initial + "|" + suffix);
        return Next(saves);
    }
    bool AskYesNo(const std::string& question) override {
        questions.push_back(question);
        return yes;
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void AppendLine(std::string_view text, Colorref color, bool scroll) override {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, " #%06x%s", color, scroll ? "" : " (stays)");
        log.push_back(std::string(text.substr(0, text.find('\r'))) + suffix);
    }
    void ScrollLog() override {}
    void SetStatus(const std::string& text) override { status = text; }
    void SetRootText(const std::string& text) override { rootText = text; }
    void EnableCommands(bool on) override { enabled = on; }
    void FocusCommand(DialogCommand command) override { focused = command; }
    void ShowProgress(std::uint64_t d, std::uint64_t t) override {
        progressShown = true;
        done = d;
        total = t;
    }
    void HideProgress() override { progressShown = false; }
    void PostToGui(std::function<void()> work) override {
        const std::lock_guard lock(m_mutex);
        m_posted.push_back(std::move(work));
    }
    void StartTimer(int) override { timerOn = true; }
    void StopTimer() override { timerOn = false; }
    void EndDialog(int result) override { ended = result; }

    // Runs what was handed to the GUI thread, until nothing is waiting.
    void Pump() {
        std::unique_lock lock(m_mutex);
        while (!m_posted.empty()) {
            const std::function<void()> work = std::move(m_posted.front());
            m_posted.pop_front();
            lock.unlock();  // the work may hand over more
            work();
            lock.lock();
        }
    }

private:
    static std::optional<std::string> Next(std::deque<std::string>& answers) {
        if (answers.empty() || answers.front().empty()) {
            return std::nullopt;
        }
        std::string answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_posted;
};

// A source "src" of "Data/F0", "Data/F1", ... (100, 101, ... bytes), a root,
// and a dialog whose workers are started for real, or only counted (and
// `throwFor` cannot be started). The working folder is the test's own.
class MainDialogTest : public testing::Test {
protected:
    void SetUp() override {
        m_previous = fs::current_path();
        fs::current_path(m_work.Path());
    }
    void TearDown() override { fs::current_path(m_previous); }

    std::unique_ptr<MainDialog> Dialog(int files, bool real, int throwFor = -1) {
        for (int i = 0; i < files; ++i) {
            WriteFile(m_work / ("src/Data/F" + std::to_string(i)), std::string(100 + i, 'a'));
        }
        fs::create_directories(m_work / "root");
        WriteFile(m_work / "root.folder", m_work / "root");
        auto dialog = std::make_unique<MainDialog>(m_view, [=, this](auto job) {
            ++m_launched;
            m_progress = job->progress;
            if (job->workerIndex == throwFor) {
                throw std::system_error(EAGAIN, std::generic_category());
            }
            return real ? LaunchWorkerThread(std::move(job)) : std::jthread();
        });
        dialog->OnInitDialog();
        return dialog;
    }

    // Import File on "src", until the scan has handed the run over, or until
    // the whole run is over when its workers are real.
    void Import(MainDialog& dialog, bool toTheEnd = false) {
        m_view.folders.push_back(m_work / "src");
        dialog.OnImportFile();
        while (toTheEnd ? dialog.Busy() : dialog.Scanning()) {
            std::this_thread::yield();
            m_view.Pump();
        }
    }

    void Post(MainDialog& dialog, unsigned message, std::uintptr_t file, int worker) {
        dialog.Window().PostMessage(message, file, worker);
        m_view.Pump();
    }

    TempDir m_work;
    fs::path m_previous;
    RecordingView m_view;
    int m_launched = 0;
    std::shared_ptr<ImportProgress> m_progress;
};

TEST_F(MainDialogTest, ImportEndsWithItsSummaryAndProblemsInTheirColours) {
    const auto dialog = Dialog(6, false, 3);  // dealt: F0 F4 | F1 F5 | F2 | F3
    // Refused, shown escaped where the system can hold a line end in a name.
    const std::string refused = kAnyFileName ? "b?\n" : "b&",
                      shown = kAnyFileName ? "b?\\x0a" : "b&";
    WriteFile(m_work / ("src/Data/" + refused), "x");
    Import(*dialog);
    EXPECT_EQ(m_launched, 4);
    ASSERT_EQ(m_view.messages.size(), 1u);
    EXPECT_TRUE(m_view.messages[0].starts_with("Import worker 3 could not be started"));
    EXPECT_FALSE(m_view.enabled);
    EXPECT_TRUE(m_view.timerOn);
    Post(*dialog, WM_IMPORT_PROGRESS, 1, 1);
    m_progress->bytesDone = 150;
    m_progress->inFile[1] = 37;
    dialog->OnTimer();
    EXPECT_EQ(m_view.status, m_work / "src/Data/F5  35%");  // 37 of its 105 bytes
    EXPECT_EQ(m_view.done, 150u);
    EXPECT_EQ(m_view.total, 615u);
    Post(*dialog, WM_IMPORT_ADDED, 1, 0);
    Post(*dialog, WM_IMPORT_UPDATED, 1, 1);
    Post(*dialog, WM_IMPORT_FAILED, 0, 2);
    dialog->OnClose(1);
    EXPECT_EQ(m_view.questions.size(), 1u);  // answered no: the run goes on
    EXPECT_FALSE(m_progress->stopRequested);
    for (int worker = 0; worker < 3; ++worker) {  // worker 3's finish was posted for it
        EXPECT_FALSE(m_view.enabled);
        Post(*dialog, WM_IMPORT_FINISHED, 0, worker);
    }
    EXPECT_TRUE(m_view.enabled && !m_view.timerOn && !m_view.progressShown);
    EXPECT_EQ(m_view.focused, DialogCommand::kImport);
    ASSERT_EQ(m_view.log.size(), 8u);
    EXPECT_TRUE(m_view.log[0].starts_with("refused:" + kData + shown + " (")) << m_view.log[0];
    EXPECT_EQ(m_view.log[1], "添加:" + kData + "F4(0) #00ff00");
    EXPECT_EQ(m_view.log[2], "更新:" + kData + "F5(1) #0000ff (stays)");
    EXPECT_EQ(m_view.log[3], "failed:" + kData + "F2(2) #0000ff");
    EXPECT_TRUE(
        m_view.log[4].starts_with("added 1, updated 1, unchanged 0, refused 1, failed 2, "));
    EXPECT_TRUE(m_view.log[4].ends_with(" MB/s #a00000"));
    EXPECT_EQ(m_view.log[5], m_view.log[0]);
    EXPECT_TRUE(m_view.log[6].starts_with("Import worker 3 could not be started"));
    EXPECT_EQ(m_view.log[7], m_view.log[3]);
    EXPECT_TRUE(m_view.status.starts_with("added 1, "));
    // The chooser starts at the last source folder.
    m_view.folders.push_back("");
    dialog->OnImportFile();
    EXPECT_EQ(m_view.folderRequests.back(), m_work / "src");
}

TEST_F(MainDialogTest, ClosingDuringAnImportAsksAndOnYesStopsThenEnds) {
    const auto dialog = Dialog(4, false);
    Import(*dialog);
    m_view.yes = true;
    dialog->OnClose(2);
    EXPECT_TRUE(m_progress->stopRequested);
    EXPECT_EQ(m_view.ended, -1);
    Post(*dialog, WM_IMPORT_PROGRESS, 0, 0);
    for (int worker = 0; worker < 4; ++worker) {
        Post(*dialog, WM_IMPORT_FINISHED, 0, worker);
    }
    EXPECT_EQ(m_view.ended, 2);
    EXPECT_NE(
        std::find(m_view.log.begin(), m_view.log.end(), "Stopped: 3 files were not begun. #a00000"),
        m_view.log.end());
}

// Regression: the dialog once let go of the root's lock as soon as its
// workers started, so a list run or a second import wrote into the root.
TEST_F(MainDialogTest, WhileItsImportRunsNoOtherRunTakesTheRoot) {
    const auto dialog = Dialog(2, false);
    Import(*dialog);
    MainDialog second(m_view);  // its workers never post: what the view gets is the second's
    second.OnInitDialog();
    Import(second);
    ASSERT_EQ(m_view.messages.size(), 1u);
    EXPECT_NE(m_view.messages[0].find("Another run is working on the root folder"),
              std::string::npos);
    // Another process: the command line's list run and import.
    const std::string output = m_work / "cli.txt";
    const auto cli = [&](std::vector<std::string> words) {
        words.insert(words.end(), {"--root", m_work / "root"});
        return RunProgram(KELVARIN_CLI, words, m_work.Path().string(), "", output, output);
    };
    EXPECT_EQ(cli({"filelist"}), 3);
    EXPECT_EQ(cli({"import", m_work / "src"}), 3);
    for (int worker = 0; worker < 4; ++worker) {
        Post(*dialog, WM_IMPORT_FINISHED, 0, worker);
    }
    EXPECT_EQ(cli({"filelist"}), 0);
}

TEST_F(MainDialogTest, OneSessionFromATypedRootToTheFileList) {
    const auto dialog = Dialog(3, true);
    fs::remove(m_work / "root.folder");
    MainDialog fresh(m_view);  // no root.folder: nothing set
    fresh.OnInitDialog();
    fresh.OnGenerateFileList();
    EXPECT_EQ(m_view.messages,
              std::vector<std::string>{"No root folder is set; choose the root folder first."});
    fresh.OnRootPathEntered(m_work / "nowhere");
    EXPECT_EQ(m_view.rootText, "");
    fresh.OnRootPathEntered(m_work / "src/../root/");
    EXPECT_EQ(m_view.rootText, m_work / "root");
    EXPECT_EQ(ReadFile(m_work / "root.folder"), ToBytes(m_work / "root"));
    Import(fresh, true);
    WriteFile(m_work / "src/Data/F1", "changed");
    Import(fresh, true);
    m_view.saves.push_back(m_work / "mine.xml");
    fresh.OnGenerateFileList();
    EXPECT_FALSE(m_view.enabled);
    while (fresh.Busy()) {
        m_view.Pump();
    }
    EXPECT_TRUE(m_view.enabled);
    EXPECT_EQ(m_view.focused, DialogCommand::kGenerate);
    EXPECT_EQ(m_view.folderRequests.back(), m_work / "root/update_filelist.xml|xml");
    EXPECT_EQ(m_view.messages.back(), "Generate file list completed!");
    const std::vector<std::string>& log = m_view.log;
    ASSERT_EQ(log.size(), 7u);
    EXPECT_TRUE(log[3].starts_with("added 3, updated 0, unchanged 0, refused 0, failed 0, "));
    EXPECT_EQ(log[4], "更新:" + kData + "F1(1) #0000ff (stays)");
    EXPECT_TRUE(log[5].starts_with("added 0, updated 1, unchanged 2, refused 0, failed 0, "));
    EXPECT_TRUE(log[6].starts_with("3 files, 58 bytes, "));
    EXPECT_TRUE(
        log[6].ends_with(", 0 damaged stored files: " + (m_work / "mine.xml") + " #a00000"));
}

// The root kept in root.folder is shown at start; one the settings refuse
// (which ones: the settings' own tests) is refused by name once the window
// is up, the root unset.
TEST_F(MainDialogTest, KeptRootIsShownAtStartOrRefusedByName) {
    const auto dialog = Dialog(0, false);
    EXPECT_EQ(m_view.rootText, m_work / "root");
    WriteFile(m_work / "root.folder", m_work / "root" + std::string(1, '\0'));
    MainDialog fresh(m_view);
    fresh.OnInitDialog();
    EXPECT_EQ(m_view.rootText, "");
    m_view.Pump();
    ASSERT_EQ(m_view.messages.size(), 1u);
    EXPECT_TRUE(m_view.messages[0].starts_with("root.folder holds ")) << m_view.messages[0];
}

TEST_F(MainDialogTest, UnreadableExcludeListStopsGenerateBeforeItsChooser) {
    fs::create_directories(m_work / "exclude.list");
    const auto dialog = Dialog(1, false);
    EXPECT_TRUE(m_view.messages.empty());  // said once the window is up
    m_view.Pump();
    ASSERT_EQ(m_view.messages.size(), 1u);
    dialog->OnGenerateFileList();
    EXPECT_TRUE(m_view.folderRequests.empty() && m_view.enabled);
    ASSERT_EQ(m_view.messages.size(), 2u);
    EXPECT_TRUE(m_view.messages[1].starts_with("The file list was not written: "));
}

}  // namespace
}  // namespace kelvarin::test
