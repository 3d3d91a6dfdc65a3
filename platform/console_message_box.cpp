#include "platform/console_message_box.h"

#include <cstdio>
#include <mutex>
#include <string>

namespace kelvarin {

namespace {
std::mutex g_stderrMutex;

void WriteLine(const std::string& line) {
    std::lock_guard lock(g_stderrMutex);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}
}  // namespace

void ConsoleMessageBox::ShowOk(std::string_view text, std::string_view caption) {
    std::string line;
    line.append(caption).append(": ").append(text).push_back('\n');
    WriteLine(line);
}

void ConsoleMessageBox::ShowApp(std::string_view text) {
    std::string line(text);
    line.push_back('\n');
    WriteLine(line);
}

}  // namespace kelvarin
