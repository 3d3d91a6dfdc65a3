// `orphans`: stored files under the root whose source file is gone; with
// --delete they are removed under the root's lock, and nothing else is.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cli/changed_list.h"
#include "cli/command.h"
#include "cli/json_report.h"
#include "cli/root_option.h"
#include "fileio/file_status.h"
#include "fileio/folders.h"
#include "fileio/paths.h"
#include "fileio/root_lock.h"
#include "import/orphans.h"
#include "scan/client_names.h"
#include "scan/collect_files.h"
#include "settings/settings_files.h"

namespace kelvarin::cli {

namespace {

// The scan of a folder that must be seen whole; empty `problem` when it was.
std::vector<std::string> ScanWhole(const std::string& folder, std::string& problem) {
    std::vector<std::string> files;
    ScanReport report;
    CollectFiles(folder, files, &report);
    if (!report.unreadable.empty()) {
        problem = report.unreadable.front().Describe();
    }
    return files;
}

class OrphansCommand final : public Command {
public:
    explicit OrphansCommand(CLI::App& app)
        : Command(app.add_subcommand("orphans", "List stored files whose source file is gone")) {
        CLI::App* sub = app.get_subcommand("orphans");
        sub->add_option("SOURCE", m_source, "The source folder the root is imported from")
            ->required();
        m_rootOption =
            sub->add_option("--root", m_root, "Root folder (default: the one in ./root.folder)");
        sub->add_flag("--delete", m_delete, "Remove them (stored files only, nothing else)");
        sub->add_flag("--json", m_json,
                      "Make standard output one JSON document: every orphan, then the summary");
        sub->add_flag("--quiet", m_quiet, "Print only the summary and the problems");
        sub->add_option("--changed", m_changed,
                        "With --delete, write the removed paths below the root to FILE, one per "
                        "line, so the upload step can remove them too");
    }

    int Run() override {
        std::string problem;
        const std::string given = CommandRoot(m_rootOption, m_root, problem);
        if (problem.empty()) {
            problem = RootFolderProblem(given);
        }
        const std::string root = CanonicalFolder(given);
        const std::string source = CanonicalFolder(m_source);
        if (const std::string why = WhyNotAFolder(source); problem.empty() && !why.empty()) {
            problem = "the source folder " + source + " " + why;
        }
        const RootLock lock = problem.empty() ? RootLock::TryLock(root) : RootLock();
        if (problem.empty() && lock.GetState() == RootLock::State::kBusy) {
            problem = lock.BusyMessage(root);
        }
        const std::vector<std::string> sourceFiles = ScanWhole(source, problem);
        const std::vector<std::string> rootFiles = ScanWhole(root, problem);
        if (!problem.empty()) {
            std::fprintf(stderr, "kelvarin-cli: orphans refused: %s\n", problem.c_str());
            return kExitRefused;
        }

        int status = kExitOk;
        std::vector<std::string> removed;
        const std::vector<std::string> orphans =
            OrphanStoredFiles(source, sourceFiles, root, rootFiles);
        JsonReport json("orphans");
        for (const std::string& orphan : orphans) {
            const std::string path = root + '/' + orphan;
            const std::uint64_t bytes = FileSize(path);
            std::string action = "orphan", reason;
            if (m_delete && ::unlink(path.c_str()) == 0) {
                action = "removed";
                removed.push_back(orphan);
            } else if (m_delete) {
                action = "failed";
                reason = std::strerror(errno);
                status = kExitFailed;
            }
            if (m_json) {
                const std::string published = PublishedName(orphan);
                json.AddFile(published.substr(0, published.size() - 4), orphan, action, bytes,
                             reason);
            } else if (!m_quiet || action == "failed") {
                std::printf("%s:%s%s\n", action.c_str(), orphan.c_str(),
                            reason.empty() ? "" : (" (" + reason + ")").c_str());
            }
        }
        if (!m_changed.empty()) {
            const int written = WriteChangedList(m_changed, removed);
            status = written != kExitOk ? written : status;
        }
        if (m_json) {
            json.Summary()["orphans"] = orphans.size();
            json.Summary()["removed"] = removed.size();
            return json.Print(status);
        }
        std::printf("%zu orphans, %zu removed\n", orphans.size(), removed.size());
        return status;
    }

private:
    std::string m_source;
    std::string m_root;
    CLI::Option* m_rootOption = nullptr;
    bool m_delete = false;
    bool m_json = false;
    bool m_quiet = false;
    std::string m_changed;
};

}  // namespace

std::unique_ptr<Command> AddOrphansCommand(CLI::App& app) {
    return std::make_unique<OrphansCommand>(app);
}

}  // namespace kelvarin::cli
