// `filelist`: the dialog's Generate File List for build pipelines. It runs
// both steps of the core one after the other (the list, then its companion)
// with the dialog's defaults: the root from ./root.folder, the exclusions
// from ./exclude.list, the list at root/update_filelist.xml. A progress line
// goes to standard error when that is a terminal, and one summary line ends
// the run; the exit status tells a pipeline whether both files were written.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "cli/changed_list.h"
#include "cli/command.h"
#include "cli/json_report.h"
#include "cli/print.h"
#include "cli/progress_line.h"
#include "cli/root_option.h"
#include "codec/stored_file.h"
#include "fileio/paths.h"
#include "filelist/file_list_generator.h"
#include "filelist/list_summary.h"
#include "filelist/listed_files.h"
#include "scan/client_names.h"
#include "settings/settings_files.h"

namespace kelvarin::cli {

namespace {

using Clock = std::chrono::steady_clock;

class FilelistCommand final : public Command {
public:
    explicit FilelistCommand(CLI::App& app)
        : Command(app.add_subcommand("filelist", "Write the file list of the root folder")) {
        CLI::App* sub = app.get_subcommand("filelist");
        m_rootOption = sub->add_option("--root", m_root,
                                       "Root folder to list (default: the one in ./root.folder)");
        sub->add_option("--out", m_out,
                        "List file to write (default: ROOT/update_filelist.xml); its "
                        "compressed companion is written beside it with .bin appended");
        sub->add_option("--exclude", m_exclude,
                        "Exclusions that set pack flags (default: ./exclude.list); each line a "
                        "published name whose stored file is not to be unpacked");
        sub->add_option("--changed", m_changed,
                        "Write the paths of the list and .bin written to FILE, one per line: "
                        "below the root when inside it, else absolute");
        sub->add_flag("--json", m_json,
                      "Make standard output one JSON document: every listed file, then the "
                      "summary");
        sub->add_flag("--quiet", m_quiet,
                      "Print only the summary and the problems (filelist already prints "
                      "nothing else)");
    }

    int Run() override {
        FileListRequest request;
        if (std::string problem = TakeSettings(request); !problem.empty()) {
            PrintError("kelvarin-cli: the file list was not written: %s\n", problem.c_str());
            return m_json ? JsonReport("filelist").PrintRefused(problem, kExitRefused)
                          : kExitRefused;
        }
        // The core calls it one call at a time, so the line needs no lock.
        ProgressLine progress;
        request.progress = [&progress](std::size_t done, std::size_t total,
                                       const std::string& name) {
            progress.Show(
                [&] {
                    return std::to_string(done) + "/" + std::to_string(total) + " files  " +
                           ShownName(name);
                },
                done == total);
        };

        const Clock::time_point start = Clock::now();
        const FileListResult result = WriteFileList(request);
        progress.Erase();
        if (!result.Written()) {
            return ReportNotWritten(result);
        }
        ReportWarnings(result);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (!m_json) {
            Print("%s: %s\n",
                  FileListSummaryText(result.fileCount, result.totalBytes, seconds).c_str(),
                  result.listPath.c_str());
            std::fflush(stdout);
        }
        int status = ReportDamaged(result);
        if (!m_changed.empty()) {
            const int written = WriteChanged(result.listPath, request.rootPath);
            status = written != kExitOk ? written : status;
        }
        return m_json ? PrintJson(result, seconds, status) : status;
    }

private:
    // The root, the list's path and the exclusions; a problem when they
    // cannot be had: pack flags from a part of the list would publish wrong
    // flags.
    std::string TakeSettings(FileListRequest& request) const {
        std::string problem;
        request.rootPath = CommandRoot(m_rootOption, m_root, problem);
        request.listPath = m_out;
        SettingsRead<std::vector<std::string>> excluded =
            ReadExcludeListFile(m_exclude.empty() ? kExcludeListFile : m_exclude);
        request.excludeList = std::move(excluded.value);
        // As the exclusions are read last, their problem is the one told.
        return excluded.problem.empty() ? problem : std::move(excluded.problem);
    }

    int ReportNotWritten(const FileListResult& result) const {
        PrintError("kelvarin-cli: %s\n", result.message.c_str());
        if (result.outcome == FileListOutcome::kNoRoot && m_rootOption->count() == 0) {
            PrintError("kelvarin-cli: the root comes from ./%s; or pass --root DIR\n",
                       kRootFolderFile);
        }
        if (!m_json) {
            return ExitStatusOf(result.outcome);
        }
        JsonReport json("filelist");
        for (const UnlistableFile& file : result.namedFiles) {
            json.AddNamedFile(file.path, file.reason);
        }
        return json.PrintRefused(result.message, ExitStatusOf(result.outcome));
    }

    static void ReportWarnings(const FileListResult& result) {
        if (!result.mismatchWarning.empty()) {
            PrintError("kelvarin-cli: warning: %s\n", result.mismatchWarning.c_str());
        }
        for (const std::string& note : RunNotes(result.findings)) {
            PrintError("kelvarin-cli: %s\n", note.c_str());
        }
        for (const std::string& entry : result.unmatchedExclusions) {
            PrintError("kelvarin-cli: warning: the exclusion %s names no file\n", entry.c_str());
        }
    }

    // Listed as they are, but a pipeline must not publish them unnoticed.
    static int ReportDamaged(const FileListResult& result) {
        if (result.damagedFiles.empty()) {
            return kExitOk;
        }
        for (const std::string& name : result.damagedFiles) {
            PrintError("kelvarin-cli: damaged stored file %s: %s\n", ShownName(name).c_str(),
                       DamagedFileAdvice().c_str());
        }
        PrintError("kelvarin-cli: %s\n", DamagedFilesText(result.damagedFiles.size()).c_str());
        return kExitFailed;
    }

    // The list and .bin written, below the root when inside it.
    int WriteChanged(const std::string& listPath, const std::string& rootPath) const {
        const std::string list = CanonicalFolder(listPath);
        const std::string root = CanonicalFolder(rootPath);
        std::vector<std::string> paths;
        for (const std::string& path : {list, list + kCompanionSuffix}) {
            const auto below = RelativeToFolder(path, root);
            paths.push_back(below ? std::string(*below) : path);
        }
        return WriteChangedList(m_changed, paths);
    }

    static int PrintJson(const FileListResult& result, double seconds, int status) {
        JsonReport json("filelist");
        std::unordered_set<std::string> damaged;
        for (const std::string& path : result.damagedFiles) {
            damaged.insert(PublishedName(path));
        }
        for (const FileListResult::Entry& entry : result.listed) {
            const bool isDamaged = damaged.contains(entry.name);
            json.AddFile(entry.name, {}, isDamaged ? "damaged" : "listed", entry.length,
                         isDamaged ? DamageText() : "");
        }
        nlohmann::ordered_json& summary = json.Summary();
        summary["files"] = result.fileCount;
        summary["bytes"] = result.totalBytes;
        summary["damaged"] = result.damagedFiles.size();
        summary["seconds"] = seconds;
        PutText(summary, "list", result.listPath);
        return json.Print(status);
    }

    std::string m_root;
    CLI::Option* m_rootOption = nullptr;
    std::string m_out;
    std::string m_exclude;
    std::string m_changed;
    bool m_json = false;
    bool m_quiet = false;
};

}  // namespace

std::unique_ptr<Command> AddFilelistCommand(CLI::App& app) {
    return std::make_unique<FilelistCommand>(app);
}

}  // namespace kelvarin::cli
