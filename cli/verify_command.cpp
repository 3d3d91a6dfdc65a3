// `verify`: checks a published tree against its list before it goes out,
// and with --source the stored files against the build they came from.
// Exit 0 only when everything agrees.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/json_report.h"
#include "cli/print.h"
#include "cli/root_option.h"
#include "fileio/paths.h"
#include "filelist/verify_tree.h"
#include "import/source_check.h"
#include "scan/client_names.h"
#include "settings/settings_files.h"

namespace kelvarin::cli {

namespace {

class VerifyCommand final : public Command {
public:
    explicit VerifyCommand(CLI::App& app)
        : Command(app.add_subcommand("verify", "Check a published tree against its list")) {
        CLI::App* sub = app.get_subcommand("verify");
        m_rootOption = sub->add_option("--root", m_root,
                                       "Root folder to check (default: the one in ./root.folder)");
        sub->add_option("--list", m_list,
                        "The list to check against (default: "
                        "ROOT/update_filelist.xml); its .bin beside it");
        sub->add_option("--source", m_source,
                        "Also check every stored file against this source folder");
        sub->add_option("--exclude", m_exclude,
                        "Exclusions that set the pack flags expected (default: ./exclude.list)");
        sub->add_flag("--json", m_json,
                      "Make standard output one JSON document: every problem as a file with "
                      "its kind as the action, then the summary");
        sub->add_flag(
            "--quiet", m_quiet,
            "Print only the summary and the problems (verify already prints nothing else)");
    }

    int Run() override {
        std::string problem;
        FileListRequest request;
        request.rootPath = CommandRoot(m_rootOption, m_root, problem);
        request.listPath = m_list;
        SettingsRead<std::vector<std::string>> excluded =
            ReadExcludeListFile(m_exclude.empty() ? kExcludeListFile : m_exclude);
        request.excludeList = std::move(excluded.value);
        if (problem.empty()) {
            problem = std::move(excluded.problem);
        }
        if (!problem.empty()) {
            return Refused(problem, {}, kExitRefused);
        }
        VerifyResult result = VerifyPublishedTree(request);
        if (!result.Checked()) {
            return Refused(result.message, result.namedFiles, ExitStatusOf(result.outcome));
        }
        for (const std::string& note : RunNotes(result.findings)) {
            PrintError("kelvarin-cli: %s\n", note.c_str());
        }
        for (const std::string& entry : result.unmatchedExclusions) {
            PrintError("kelvarin-cli: warning: the exclusion %s names no file\n", entry.c_str());
        }
        return m_source.empty() ? Print(result) : CheckSourceToo(result, request.rootPath);
    }

private:
    // --source: the stored files against the build they came from as well.
    int CheckSourceToo(VerifyResult& result, const std::string& root) const {
        SourceCheck check = CheckSourceAgainstRoot(m_source, root);
        if (!check.refusal.empty()) {
            return Refused(check.refusal, {}, kExitRefused);
        }
        for (SourceFinding& found : check.findings) {
            result.problems.push_back({std::move(found.kind), std::move(found.name),
                                       std::move(found.expected), std::move(found.found)});
        }
        return Print(result);
    }

    // The reason on standard error (and as the --json document); returns `status`.
    int Refused(const std::string& reason, const std::vector<UnlistableFile>& files,
                int status) const {
        PrintError("kelvarin-cli: verify refused: %s\n", reason.c_str());
        if (!m_json) {
            return status;
        }
        JsonReport json("verify");
        for (const UnlistableFile& file : files) {
            json.AddNamedFile(file.path, file.reason);
        }
        return json.PrintRefused(reason, status);
    }

    // Every problem, then the counts; returns the exit status.
    int Print(const VerifyResult& result) const {
        const int status = result.problems.empty() ? kExitOk : kExitFailed;
        if (m_json) {
            JsonReport json("verify");
            for (const ListProblem& found : result.problems) {
                json.AddFile(found.name, {}, found.kind, 0,
                             "expected " + found.expected + ", found " + found.found);
            }
            json.Summary()["checked"] = result.fileCount;
            json.Summary()["problems"] = result.problems.size();
            return json.Print(status);
        }
        for (const ListProblem& found : result.problems) {
            cli::Print("%s %s: expected %s, found %s\n", found.kind.c_str(),
                       ShownName(found.name).c_str(), found.expected.c_str(), found.found.c_str());
        }
        cli::Print("%zu files checked, %zu problems\n", result.fileCount, result.problems.size());
        return status;
    }

    std::string m_root;
    CLI::Option* m_rootOption = nullptr;
    std::string m_list;
    std::string m_source;
    std::string m_exclude;
    bool m_json = false;
    bool m_quiet = false;
};

}  // namespace

std::unique_ptr<Command> AddVerifyCommand(CLI::App& app) {
    return std::make_unique<VerifyCommand>(app);
}

}  // namespace kelvarin::cli
