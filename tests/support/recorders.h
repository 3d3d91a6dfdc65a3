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

// What several threads may add to at once.
template <class T>
class Recorded {
public:
    std::vector<T> Items() const {
        std::lock_guard lock(m_mutex);
        return m_items;
    }

protected:
    void Add(T item) {
        std::lock_guard lock(m_mutex);
        m_items.push_back(std::move(item));
    }

private:
    mutable std::mutex m_mutex;
    std::vector<T> m_items;
};

struct ShownMessage {
    std::string text;
    std::string caption;  // empty for the application message box
    bool operator==(const ShownMessage&) const = default;
};

class RecordingMessageBox final : public MessageBoxService, public Recorded<ShownMessage> {
public:
    RecordingMessageBox() { SetMessageBoxService(this); }
    ~RecordingMessageBox() override { SetMessageBoxService(nullptr); }
    void ShowOk(std::string_view text, std::string_view caption) override {
        Add({std::string(text), std::string(caption)});
    }
    void ShowApp(std::string_view text) override { Add({std::string(text), {}}); }
    std::vector<ShownMessage> Shown() const { return Items(); }
};

class RecordingDebugOutput final : public DebugOutputListener, public Recorded<std::string> {
public:
    RecordingDebugOutput() { SetDebugOutputListener(this); }
    ~RecordingDebugOutput() override { SetDebugOutputListener(nullptr); }
    void OnDebugLine(std::string_view line) override { Add(std::string(line)); }
    std::vector<std::string> Lines() const { return Items(); }
};

struct RecordedMessage {
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    bool operator==(const RecordedMessage&) const = default;
};

class RecordingMessageWindow final : public MessageWindow, public Recorded<RecordedMessage> {
public:
    void PostMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
        Add({message, wParam, lParam});
    }
    std::vector<RecordedMessage> Messages() const { return Items(); }
};

}  // namespace kelvarin::test
