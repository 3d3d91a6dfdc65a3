// `root`: shows or sets root.folder in the current folder, as the dialog's
// browse button does (the folder's canonical path, no line end).
#include <cstdio>
#include <memory>
#include <string>

#include "cli/command.h"
#include "cli/print.h"
#include "fileio/folders.h"
#include "fileio/paths.h"
#include "settings/settings_files.h"

namespace kelvarin::cli {

namespace {

class RootCommand final : public Command {
public:
    explicit RootCommand(CLI::App& app)
        : Command(app.add_subcommand("root", "Show or set the root folder kept in ./root.folder")) {
        CLI::App* sub = app.get_subcommand("root");
        m_folderOption = sub->add_option("DIR", m_folder, "The root folder to keep");
    }

    int Run() override {
        if (m_folderOption->count() == 0) {
            const auto [root, problem] = ReadRootFolderFile();
            if (!problem.empty() || root.empty()) {
                PrintError("kelvarin-cli: %s\n", problem.empty()
                                                     ? "no root folder is set in ./root.folder"
                                                     : problem.c_str());
                return problem.empty() ? kExitFailed : kExitRefused;
            }
            Print("%s\n", root.c_str());
            return kExitOk;
        }
        const std::string root = m_folder.empty() ? std::string() : CanonicalFolder(m_folder);
        if (const std::string why = WhyNotAFolder(root); !why.empty()) {
            PrintError("kelvarin-cli: the root folder %s %s\n", m_folder.c_str(), why.c_str());
            return kExitRefused;
        }
        if (const WriteOutcome written = WriteRootFolderFile(root); !written) {
            PrintError("kelvarin-cli: %s\n",
                       DescribeWriteFailure(written, kRootFolderFile).c_str());
            return written.notRegular ? kExitRefused : kExitFailed;
        }
        Print("%s\n", root.c_str());
        return kExitOk;
    }

private:
    std::string m_folder;
    CLI::Option* m_folderOption = nullptr;
};

}  // namespace

std::unique_ptr<Command> AddRootCommand(CLI::App& app) {
    return std::make_unique<RootCommand>(app);
}

}  // namespace kelvarin::cli
