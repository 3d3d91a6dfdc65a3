// Test implementations of the platform services: they record what the code
// under test shows or sends, and install themselves for their lifetime.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/debug_output.h"
#include "platform/message_box.h"
#include "platform/message_window.h"

namespace kelvarin::test {

struct ShownMessage {
    std::string text;
    std::string caption;  // empty for the application message box
    bool operator==(const ShownMessage&) const = default;
};

class RecordingMessageBox final : public MessageBoxService {
public:
    RecordingMessageBox() { SetMessageBoxService(this); }
    ~RecordingMessageBox() override { SetMessageBoxService(nullptr); }

    void ShowOk(std::string_view text, std::string_view caption) override;
    void ShowApp(std::string_view text) override;
    std::vector<ShownMessage> Shown() const;

private:
    mutable std::mutex m_mutex;
    std::vector<ShownMessage> m_shown;
};

class RecordingDebugOutput final : public DebugOutputListener {
public:
    RecordingDebugOutput() { SetDebugOutputListener(this); }
    ~RecordingDebugOutput() override { SetDebugOutputListener(nullptr); }

    void OnDebugLine(std::string_view line) override;
    std::vector<std::string> Lines() const;
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

struct RecordedMessage {
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    bool operator==(const RecordedMessage&) const = default;
};

class RecordingMessageWindow final : public MessageWindow {
public:
    void PostMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
    std::vector<RecordedMessage> Messages() const;

private:
    mutable std::mutex m_mutex;
    std::vector<RecordedMessage> m_messages;
};

}  // namespace kelvarin::test
