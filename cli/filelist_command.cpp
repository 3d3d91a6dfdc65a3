// `filelist`: the dialog's Generate File List for build pipelines. It runs
// both steps of the core one after the other (the list, then its companion)
// with the dialog's defaults: the root from ./root.folder, the exclusions
// from ./exclude.list, the list at root/update_filelist.xml. A progress line
// goes to standard error when that is a terminal, and one summary line ends
// the run; the exit status tells a pipeline whether both files were written.
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/command.h"
#include "codec/lzss_window.h"
#include "filelist/file_list_generator.h"
#include "settings/settings_files.h"

namespace kelvarin::cli {

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kEraseLine[] = "\r\x1b[K";
// The progress line is redrawn at most this often: a root of small files
// lists thousands of them a second.
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

// The progress line on standard error. The core calls it one call at a time
// (from whichever thread hands results on), so it needs no lock.
class ProgressLine {
public:
    void Show(std::size_t done, std::size_t total, const std::string& name) {
        const Clock::time_point now = Clock::now();
        if (done != total && now - m_lastDrawn < kProgressInterval) {
            return;
        }
        m_lastDrawn = now;
        std::fprintf(stderr, "%s%zu/%zu files  %s", kEraseLine, done, total, name.c_str());
        std::fflush(stderr);
        m_shown = true;
    }

    void Erase() {
        if (m_shown) {
            std::fputs(kEraseLine, stderr);
            std::fflush(stderr);
            m_shown = false;
        }
    }

private:
    Clock::time_point m_lastDrawn{};
    bool m_shown = false;
};

class FilelistCommand final : public Command {
public:
    explicit FilelistCommand(CLI::App& app)
        : Command(app.add_subcommand("filelist", "Write the file list of the root folder")) {
        CLI::App* sub = app.get_subcommand("filelist");
        sub->add_option("--root", m_root,
                        "Root folder to list (default: the one in ./root.folder)");
        sub->add_option("--out", m_out,
                        "List file to write (default: ROOT/update_filelist.xml); its "
                        "compressed companion is written beside it with .bin appended");
    }

    int Run() override {
        const bool rootGiven = !m_root.empty();
        FileListRequest request;
        request.rootPath = rootGiven ? m_root : ReadRootFolderFile(kRootFolderFile);
        request.listPath = m_out;
        request.excludeList = ReadExcludeListFile(kExcludeListFile);
        ProgressLine progress;
        if (::isatty(STDERR_FILENO) == 1) {
            request.progress = [&progress](std::size_t done, std::size_t total,
                                           const std::string& name) {
                progress.Show(done, total, name);
            };
        }

        const Clock::time_point start = Clock::now();
        const FileListResult result = WriteFileList(request);
        progress.Erase();
        if (!result.Written()) {
            std::fprintf(stderr, "kelvarin-cli: %s\n", result.message.c_str());
            if (result.outcome == FileListOutcome::kNoRoot && !rootGiven) {
                std::fprintf(stderr, "kelvarin-cli: the root comes from ./%s; or pass --root DIR\n",
                             kRootFolderFile);
            }
            return kExitFailed;
        }

        auto work = std::make_unique<LzssWindow>();
        const int companionWritten = WriteFileListCompanion(result.listPath, *work);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        std::printf("%zu files, %llu bytes, %.2f s: %s\n", result.fileCount,
                    static_cast<unsigned long long>(result.totalBytes), seconds,
                    result.listPath.c_str());
        std::fflush(stdout);
        if (companionWritten != 1) {
            std::fprintf(stderr, "kelvarin-cli: the companion %s.bin was not written\n",
                         result.listPath.c_str());
            return kExitFailed;
        }
        return kExitOk;
    }

private:
    std::string m_root;
    std::string m_out;
};

}  // namespace

std::unique_ptr<Command> AddFilelistCommand(CLI::App& app) {
    return std::make_unique<FilelistCommand>(app);
}

}  // namespace kelvarin::cli
