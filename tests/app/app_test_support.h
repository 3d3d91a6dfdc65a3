// What the dialog tests share: choosers and message boxes answered by the
// test instead of a user, a working folder of the test's own (the settings
// files live in the current folder), small file helpers and a reading of
// the log's lines with their colours.
#pragma once

#include <QColor>
#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <QThread>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/choosers.h"
#include "app/message_presenter.h"
#include "app/qt_message_box.h"

class QPushButton;
class QTextEdit;
class QWidget;

namespace kelvarin::app::test {

// Answers each question with the next scripted answer, and records what was
// asked. A question without an answer left is cancelled and counted.
class ScriptedChoosers final : public Choosers {
public:
    struct SaveRequest {
        QString initialPath;
        QString defaultSuffix;
    };

    // nullopt: the user cancels.
    void AnswerFolder(const std::optional<QString>& answer) { m_folders.push_back(Answer(answer)); }
    void AnswerSaveFile(const std::optional<QString>& answer) { m_saves.push_back(Answer(answer)); }

    std::optional<QString> ChooseFolder(QWidget* owner, const QString& title) override;
    std::optional<QString> ChooseSaveFile(QWidget* owner, const QString& initialPath,
                                          const QString& defaultSuffix) override;

    std::vector<QString> folderTitles;
    std::vector<SaveRequest> saveRequests;
    int unanswered = 0;

private:
    // A null string stands for a cancel.
    static QString Answer(const std::optional<QString>& answer) {
        return answer ? (answer->isNull() ? QString("") : *answer) : QString();
    }
    std::optional<QString> Next(std::deque<QString>& answers);

    std::deque<QString> m_folders;
    std::deque<QString> m_saves;
};

struct PresentedBox {
    bool owned = false;  // shown with an owner window
    QString caption;
    QString text;
    bool onGuiThread = false;
};

// Records every box instead of showing it; `onPresent`, when set, runs while
// the box is "open", so a test can look at the world at that moment.
class RecordingPresenter final : public MessagePresenter {
public:
    void Present(QWidget* owner, const QString& caption, const QString& text) override;

    std::vector<PresentedBox> Boxes() const;
    void Clear();
    std::function<void(const PresentedBox&)> onPresent;

private:
    mutable std::mutex m_mutex;
    std::vector<PresentedBox> m_boxes;
};

// The recording presenter installed as the process's message boxes.
struct RecordedMessageBoxes {
    RecordingPresenter presenter;
    QtMessageBoxService service{presenter};
};

// A temporary folder made the current folder for the object's lifetime.
class ScopedWorkFolder {
public:
    ScopedWorkFolder();
    ~ScopedWorkFolder();
    ScopedWorkFolder(const ScopedWorkFolder&) = delete;
    ScopedWorkFolder& operator=(const ScopedWorkFolder&) = delete;

    bool IsValid() const { return m_folder.isValid(); }
    QString Path() const { return m_folder.path(); }
    // Path() + "/" + relative.
    QString FilePath(const QString& relative) const { return m_folder.filePath(relative); }

private:
    QString m_previous;
    QTemporaryDir m_folder;
};

// The set-up the dialog test classes share, called from their slots: message
// boxes recorded for the whole class, and for each test a working folder of
// its own, choosers without answers and no boxes yet.
class DialogTestFixture {
public:
    // From initTestCase() and cleanupTestCase().
    void InitTestCase() { m_boxes = std::make_unique<RecordedMessageBoxes>(); }
    void CleanupTestCase() { m_boxes.reset(); }
    // From init(); the caller checks Folder().IsValid() afterwards.
    void Init();
    // From cleanup(): drops the presenter's onPresent and leaves the folder.
    void Cleanup();

    RecordingPresenter& Presenter() { return m_boxes->presenter; }
    QtMessageBoxService& Service() { return m_boxes->service; }
    ScopedWorkFolder& Folder() { return *m_folder; }
    ScriptedChoosers& Choosers() { return m_choosers; }

private:
    std::unique_ptr<RecordedMessageBoxes> m_boxes;
    std::unique_ptr<ScopedWorkFolder> m_folder;
    ScriptedChoosers m_choosers;
};

// The dialog's push button of that object name.
QPushButton* Button(QWidget& dialog, const char* name);
// Import File and Generate File List both enabled.
bool CommandsEnabled(QWidget& dialog);

// Writes `bytes` to `path`, creating its folders. Returns false on failure.
bool WriteTestFile(const QString& path, const QByteArray& bytes);
// The whole file, or a null array when it cannot be read.
QByteArray ReadTestFile(const QString& path);

struct LogLine {
    QString text;
    QColor color;
    bool oneColor = true;  // every character of the line has `color`
    bool operator==(const LogLine&) const = default;
};

// The non-empty lines of the log, with the colour of their text.
std::vector<LogLine> ReadLogLines(const QTextEdit& log);

std::string ToStd(const QString& path);

}  // namespace kelvarin::app::test
