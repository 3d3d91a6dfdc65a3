// Test doubles and helpers for the dialog tests.
#include "app_test_support.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTextBlock>
#include <QTextEdit>

namespace kelvarin::app::test {

std::optional<QString> ScriptedChoosers::Next(std::deque<QString>& answers) {
    if (answers.empty()) {
        ++unanswered;
        return std::nullopt;
    }
    const QString answer = answers.front();
    answers.pop_front();
    if (answer.isNull()) {
        return std::nullopt;
    }
    return answer;
}

std::optional<QString> ScriptedChoosers::ChooseFolder(QWidget* /*owner*/, const QString& title) {
    folderTitles.push_back(title);
    return Next(m_folders);
}

std::optional<QString> ScriptedChoosers::ChooseSaveFile(QWidget* /*owner*/,
                                                        const QString& initialPath,
                                                        const QString& defaultSuffix) {
    saveRequests.push_back({initialPath, defaultSuffix});
    return Next(m_saves);
}

void RecordingPresenter::Present(QWidget* owner, const QString& caption, const QString& text) {
    const PresentedBox box{owner != nullptr, caption, text,
                           QThread::currentThread() == QCoreApplication::instance()->thread()};
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_boxes.push_back(box);
    }
    if (onPresent) {
        onPresent(box);
    }
}

std::vector<PresentedBox> RecordingPresenter::Boxes() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_boxes;
}

void RecordingPresenter::Clear() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_boxes.clear();
}

ScopedWorkFolder::ScopedWorkFolder() : m_previous(QDir::currentPath()) {
    if (m_folder.isValid()) {
        QDir::setCurrent(m_folder.path());
    }
}

ScopedWorkFolder::~ScopedWorkFolder() {
    QDir::setCurrent(m_previous);
}

void DialogTestFixture::Init() {
    m_folder = std::make_unique<ScopedWorkFolder>();
    m_choosers = ScriptedChoosers();
    m_boxes->presenter.Clear();
    m_boxes->presenter.onPresent = nullptr;
}

void DialogTestFixture::Cleanup() {
    m_boxes->presenter.onPresent = nullptr;
    m_folder.reset();
}

QPushButton* Button(QWidget& dialog, const char* name) {
    return dialog.findChild<QPushButton*>(QString::fromLatin1(name));
}

bool CommandsEnabled(QWidget& dialog) {
    return Button(dialog, "IDC_IMPORT")->isEnabled() && Button(dialog, "IDC_GENERATE")->isEnabled();
}

bool WriteTestFile(const QString& path, const QByteArray& bytes) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return false;
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.flush();
}

QByteArray ReadTestFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArray bytes = file.readAll();
    if (bytes.isNull()) {
        bytes = QByteArray("");
    }
    return bytes;
}

std::vector<LogLine> ReadLogLines(const QTextEdit& log) {
    std::vector<LogLine> lines;
    for (QTextBlock block = log.document()->begin(); block.isValid(); block = block.next()) {
        if (block.text().isEmpty()) {
            continue;
        }
        LogLine line{block.text(), QColor(), true};
        bool first = true;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QColor color = it.fragment().charFormat().foreground().color();
            if (first) {
                line.color = color;
                first = false;
            } else if (color != line.color) {
                line.oneColor = false;
            }
        }
        lines.push_back(line);
    }
    return lines;
}

std::string ToStd(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace kelvarin::app::test
