// kelvarin-cli: the command-line front end over the same core as the dialog,
// for build pipelines and for release staff who script their updates.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "cli/command.h"
#include "cli/print.h"
#include "platform/console_text.h"
#include "platform/debug_output.h"
#include "platform/stop_signals.h"

namespace {

// Standard output flushed and closed: a report that never reached its
// reader (a full disk, a closed pipe) must not pass for one that did. A
// run already refused or stopped keeps its status.
int FinishStandardOutput(int status) {
    errno = 0;
    bool failed = std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
    int error = errno;
    if (std::fclose(stdout) != 0 && !failed) {
        failed = true;
        error = errno;
    }
    if (!failed) {
        return status;
    }
    kelvarin::cli::PrintError("kelvarin-cli: cannot write standard output: %s\n",
                              std::strerror(error != 0 ? error : EIO));
    const bool kept = status == kelvarin::kExitRefused || status > 128;
    return kept ? status : kelvarin::kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kelvarin;
    PrepareStandardStreams();
    HandleStopSignals("kelvarin-cli");
    CLI::App app{"Kelvarin: prepares the update tree that the client's updater downloads."};
    app.require_subcommand(1);
    // "/tmp/x" and "\\\\server\\share" are paths, never options.
    app.allow_windows_style_options(false);
    app.set_version_flag("--version", std::string("kelvarin-cli ") + KELVARIN_VERSION);
    bool trace = false;
    app.add_flag("--trace", trace,
                 std::string("Send the MD5 state trace to ") + SystemDebugOutput::Where());

    std::vector<std::unique_ptr<cli::Command>> commands;
    commands.push_back(cli::AddPackCommand(app));
    commands.push_back(cli::AddUnpackCommand(app));
    commands.push_back(cli::AddImportCommand(app));
    commands.push_back(cli::AddFilelistCommand(app));
    commands.push_back(cli::AddOrphansCommand(app));
    commands.push_back(cli::AddRootCommand(app));
    commands.push_back(cli::AddVerifyCommand(app));

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return cli::kExitUsage;
    }

    SystemDebugOutput traceOutput;
    if (trace) {
        SetDebugOutputListener(&traceOutput);
    }
    int status = cli::kExitUsage;
    for (const auto& command : commands) {
        if (command->Chosen()) {
            status = command->Run();
            break;
        }
    }
    SetDebugOutputListener(nullptr);
    return FinishStandardOutput(status);
}
