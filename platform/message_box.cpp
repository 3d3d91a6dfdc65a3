#include "platform/message_box.h"

#include <atomic>

#include "platform/console_message_box.h"

namespace kelvarin {

namespace {
ConsoleMessageBox g_console;
std::atomic<MessageBoxService*> g_service{nullptr};

MessageBoxService& Current() {
    MessageBoxService* service = g_service.load(std::memory_order_acquire);
    return service != nullptr ? *service : g_console;
}
}  // namespace

void SetMessageBoxService(MessageBoxService* service) {
    g_service.store(service, std::memory_order_release);
}

void MessageBoxOk(std::string_view text, std::string_view caption) {
    Current().ShowOk(text, caption);
}

void AppMessageBox(std::string_view text) {
    Current().ShowApp(text);
}

}  // namespace kelvarin
