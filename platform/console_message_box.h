// The command line's message boxes: one line "caption: text" on standard
// error, returning at once. Lines from several threads never interleave.
#pragma once

#include "platform/message_box.h"

namespace kelvarin {

class ConsoleMessageBox final : public MessageBoxService {
public:
    void ShowOk(std::string_view text, std::string_view caption) override;
    void ShowApp(std::string_view text) override;
};

}  // namespace kelvarin
