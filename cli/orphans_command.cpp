// `orphans`: stored files under the root whose source file is gone; with
// --delete they are removed under the root's lock, and nothing else is. The
// search and the removal are the core's; this prints them.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/changed_list.h"
#include "cli/command.h"
#include "cli/json_report.h"
#include "cli/print.h"
#include "cli/root_option.h"
#include "import/orphans.h"
#include "scan/client_names.h"

namespace kelvarin::cli {

namespace {

const char* ActionName(OrphanAction action) {
    switch (action) {
        case OrphanAction::kRemoved:
            return "removed";
        case OrphanAction::kFailed:
            return "failed";
        case OrphanAction::kKept:
            return "kept";
        case OrphanAction::kFound:
            break;
    }
    return "orphan";
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
        const std::string root = CommandRoot(m_rootOption, m_root, problem);
        OrphanSearch search;
        if (problem.empty()) {
            search = FindOrphans(m_source, root,
                                 m_delete ? OrphanDeletion::kDelete : OrphanDeletion::kListOnly);
            problem = search.refusal;
        }
        if (!problem.empty()) {
            PrintError("kelvarin-cli: orphans refused: %s\n", problem.c_str());
            return m_json ? JsonReport("orphans").PrintRefused(problem, kExitRefused)
                          : kExitRefused;
        }
        int status = kExitOk;
        std::vector<std::string> removed;
        JsonReport json("orphans");
        for (const Orphan& orphan : search.orphans) {
            if (orphan.action == OrphanAction::kRemoved) {
                removed.push_back(orphan.stored);
            } else if (orphan.action == OrphanAction::kFailed ||
                       orphan.action == OrphanAction::kKept) {
                status = kExitFailed;
            }
            const char* action = ActionName(orphan.action);
            if (m_json) {
                json.AddFile(orphan.published, orphan.stored, action, orphan.bytes, orphan.reason);
            } else if (!m_quiet || orphan.action == OrphanAction::kFailed ||
                       orphan.action == OrphanAction::kKept) {
                Print("%s:%s%s\n", action, ShownName(orphan.stored).c_str(),
                      orphan.reason.empty() ? "" : (" (" + orphan.reason + ")").c_str());
            }
        }
        if (!m_changed.empty()) {
            const int written = WriteChangedList(m_changed, removed);
            status = written != kExitOk ? written : status;
        }
        if (m_json) {
            json.Summary()["orphans"] = search.orphans.size();
            json.Summary()["removed"] = removed.size();
            return json.Print(status);
        }
        Print("%zu orphans, %zu removed\n", search.orphans.size(), removed.size());
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
