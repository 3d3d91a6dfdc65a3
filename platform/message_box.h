// Modal notices to the user. The core calls MessageBoxOk and AppMessageBox;
// the front end decides how they appear (a dialog box, a line on standard
// error, a record in a test). Without a service installed, notices go to
// standard error, as the command line shows them.
#pragma once

#include <string_view>

namespace kelvarin {

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    // A modal box with an OK button and no owner window. Returns once the
    // user has dismissed it. Called from any thread, the import workers too.
    virtual void ShowOk(std::string_view text, std::string_view caption) = 0;
    // The application's own message box; called on the GUI thread only.
    virtual void ShowApp(std::string_view text) = 0;
};

// Installs the service for the whole process; nullptr restores the console
// one. REQUIRES: no notice is being shown while the service changes.
void SetMessageBoxService(MessageBoxService* service);

void MessageBoxOk(std::string_view text, std::string_view caption);
void AppMessageBox(std::string_view text);

}  // namespace kelvarin
