// `pack` and `unpack`: one file into a stored file and back, each in a fresh
// work area, so the result depends on nothing but the input.
#include <cerrno>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/print.h"
#include "codec/compressor.h"
#include "codec/decompressor.h"
#include "codec/stored_file.h"
#include "fileio/file_reader.h"
#include "fileio/folders.h"
#include "fileio/paths.h"
#include "fileio/replace_file.h"

namespace kelvarin::cli {

namespace {

constexpr char kStandardStream[] = "-";

// All of standard input, up to the largest content a stored file holds.
bool ReadStandardInput(std::vector<std::uint8_t>& content) {
    std::uint8_t buffer[1 << 16];
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, stdin);
        content.insert(content.end(), buffer, buffer + got);
        if (content.size() > kMaxFieldLength) {
            PrintError("kelvarin-cli: standard input is 2 GiB or larger\n");
            return false;
        }
        if (got < sizeof buffer) {
            if (std::ferror(stdin)) {
                PrintError("kelvarin-cli: cannot read standard input\n");
            }
            return !std::ferror(stdin);
        }
    }
}

// All of `path`, or of standard input for "-", up to the largest content a
// stored file holds.
bool ReadInput(const std::string& path, std::vector<std::uint8_t>& content) {
    if (path == kStandardStream) {
        return ReadStandardInput(content);
    }
    const ReadOutcome read = ReadWholeFile(path, content, kMaxFieldLength);
    if (!read.Ok()) {
        PrintError("kelvarin-cli: %s\n", DescribeReadFailure(read, path).c_str());
    }
    return read.Ok();
}

// Writes `bytes` to standard output, flushed; false (said) when it cannot.
bool PutStandardOutput(std::span<const std::uint8_t> bytes) {
    const bool put = std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() &&
                     std::fflush(stdout) == 0;
    if (!put) {
        PrintError("kelvarin-cli: cannot write standard output\n");
    }
    return put;
}

int ReportWrite(const WriteOutcome& written, const std::string& path) {
    PrintError("kelvarin-cli: %s\n", DescribeWriteFailure(written, path).c_str());
    return written.notRegular ? kExitRefused : kExitFailed;
}

bool CanRead(const std::string& path) {
    ChunkedReader reader;
    const ReadOutcome outcome = reader.Open(path);
    if (!outcome.Ok()) {
        PrintError("kelvarin-cli: %s\n", DescribeReadFailure(outcome, path).c_str());
    }
    return outcome.Ok();
}

class PackCommand final : public Command {
public:
    explicit PackCommand(CLI::App& app)
        : Command(app.add_subcommand("pack", "Compress one file into a stored file")) {
        CLI::App* sub = app.get_subcommand("pack");
        sub->add_option("INPUT", m_input, "File to compress (- for standard input)")->required();
        sub->add_option("STORED", m_output, "Stored file to write (- for standard output)")
            ->required();
    }

    int Run() override {
        auto work = std::make_unique<LzssWindow>();
        // A stream is taken whole: it cannot be read twice, nor put back.
        if (m_input == kStandardStream || m_output == kStandardStream) {
            std::vector<std::uint8_t> content, stored;
            if (!ReadInput(m_input, content)) {
                return kExitFailed;
            }
            CompressBuffer(content, *work, stored);
            if (m_output == kStandardStream) {
                return PutStandardOutput(stored) ? kExitOk : kExitFailed;
            }
            MakeDirectories(DirectoryPart(m_output));
            const WriteOutcome written = WriteFileReplacing(m_output, stored);
            return written ? kExitOk : ReportWrite(written, m_output);
        }
        if (!CanRead(m_input)) {
            return kExitFailed;
        }
        if (CompressFile(m_input, m_output, *work) != 1) {
            // CompressFile has shown its own message for an unwritable output.
            PrintError("kelvarin-cli: %s was not packed\n", m_input.c_str());
            return kExitFailed;
        }
        return kExitOk;
    }

private:
    std::string m_input;
    std::string m_output;
};

class UnpackCommand final : public Command {
public:
    explicit UnpackCommand(CLI::App& app)
        : Command(app.add_subcommand("unpack", "Decode one stored file")) {
        CLI::App* sub = app.get_subcommand("unpack");
        sub->add_option("STORED", m_input, "Stored file to decode")->required();
        sub->add_option("OUTPUT", m_output, "File to write the content to (- for standard output)")
            ->required();
    }

    int Run() override {
        if (!CanRead(m_input)) {
            return kExitFailed;
        }
        auto work = std::make_unique<LzssWindow>();
        std::vector<std::uint8_t> content;
        const StoredFileState state =
            DecompressStoredFile(m_input, *work, content, TruncationReport::kSilent);
        if (state == StoredFileState::kUnreadable) {
            PrintError("kelvarin-cli: cannot read %s; nothing written\n", m_input.c_str());
            return kExitFailed;
        }
        const bool toStandardOutput = m_output == kStandardStream;
        if (toStandardOutput) {
            // What a pipe has taken cannot be taken back: a damaged file's
            // content goes out up to the damage, and the status says so.
            if (!PutStandardOutput(content)) {
                return kExitFailed;
            }
        }
        if (state != StoredFileState::kWhole) {
            PrintError("kelvarin-cli: %s is damaged: %s (%zu bytes decoded); %s\n", m_input.c_str(),
                       DamageText(state).c_str(), content.size(),
                       toStandardOutput ? "they were written out" : "nothing written");
            return kExitFailed;
        }
        if (toStandardOutput) {
            return kExitOk;
        }
        MakeDirectories(DirectoryPart(m_output));
        const WriteOutcome written = WriteFileReplacing(m_output, content);
        return written ? kExitOk : ReportWrite(written, m_output);
    }

private:
    std::string m_input;
    std::string m_output;
};

}  // namespace

std::unique_ptr<Command> AddPackCommand(CLI::App& app) {
    return std::make_unique<PackCommand>(app);
}

std::unique_ptr<Command> AddUnpackCommand(CLI::App& app) {
    return std::make_unique<UnpackCommand>(app);
}

}  // namespace kelvarin::cli
