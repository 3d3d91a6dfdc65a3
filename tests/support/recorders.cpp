#include "tests/support/recorders.h"

namespace kelvarin::test {

void RecordingMessageBox::ShowOk(std::string_view text, std::string_view caption) {
    std::lock_guard lock(m_mutex);
    m_shown.push_back({std::string(text), std::string(caption)});
}

void RecordingMessageBox::ShowApp(std::string_view text) {
    std::lock_guard lock(m_mutex);
    m_shown.push_back({std::string(text), std::string()});
}

std::vector<ShownMessage> RecordingMessageBox::Shown() const {
    std::lock_guard lock(m_mutex);
    return m_shown;
}

void RecordingDebugOutput::OnDebugLine(std::string_view line) {
    std::lock_guard lock(m_mutex);
    m_lines.emplace_back(line);
}

std::vector<std::string> RecordingDebugOutput::Lines() const {
    std::lock_guard lock(m_mutex);
    return m_lines;
}

void RecordingDebugOutput::Clear() {
    std::lock_guard lock(m_mutex);
    m_lines.clear();
}

void RecordingMessageWindow::PostMessage(unsigned message, std::uintptr_t wParam,
                                         std::intptr_t lParam) {
    std::lock_guard lock(m_mutex);
    m_messages.push_back({message, wParam, lParam});
}

std::vector<RecordedMessage> RecordingMessageWindow::Messages() const {
    std::lock_guard lock(m_mutex);
    return m_messages;
}

}  // namespace kelvarin::test
