// A subcommand of kelvarin-cli: it registers its options with the parser and
// runs when the command line named it.
#pragma once

#include <CLI/CLI.hpp>
#include <memory>

#include "platform/exit_status.h"

namespace kelvarin::cli {

using kelvarin::kExitFailed;
using kelvarin::kExitOk;
using kelvarin::kExitRefused;
using kelvarin::kExitUsage;

class Command {
public:
    explicit Command(CLI::App* subcommand) : m_subcommand(subcommand) {}
    virtual ~Command() = default;
    bool Chosen() const { return m_subcommand->parsed(); }
    // Returns the exit status.
    virtual int Run() = 0;

private:
    CLI::App* m_subcommand;
};

std::unique_ptr<Command> AddPackCommand(CLI::App& app);
std::unique_ptr<Command> AddUnpackCommand(CLI::App& app);
std::unique_ptr<Command> AddImportCommand(CLI::App& app);
std::unique_ptr<Command> AddFilelistCommand(CLI::App& app);
std::unique_ptr<Command> AddOrphansCommand(CLI::App& app);
std::unique_ptr<Command> AddRootCommand(CLI::App& app);
std::unique_ptr<Command> AddVerifyCommand(CLI::App& app);

}  // namespace kelvarin::cli
