// The --json document: standard output becomes one JSON object with every
// file's fate and the run's summary, for pipelines that must not parse the
// human log. Names that are not valid UTF-8 cannot be JSON strings as they
// are: the name then holds them with U+FFFD for each bad byte, and
// "<key>_hex" holds every byte of the original, so nothing is lost.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace kelvarin::cli {

class JsonReport {
public:
    explicit JsonReport(std::string_view command);

    // One file: its published name, its stored file below the root (empty:
    // none), what happened (added, updated, unchanged, failed, refused,
    // orphan, removed, ...), its bytes, the reason where there is one, and
    // its path below the source folder where the name alone does not tell
    // it (case twins share one name).
    void AddFile(std::string_view name, std::string_view stored, std::string_view action,
                 std::uint64_t bytes, std::string_view reason = {}, std::string_view source = {});

    // A file that the reason of a refused or stopped run names: its path as
    // the reason gives it, and what is wrong with it where that is known.
    void AddNamedFile(std::string_view name, std::string_view reason = {});

    // Counts and figures of the run, as the human summary gives them.
    nlohmann::ordered_json& Summary() { return m_summary; }

    // Prints the document with `status` as the summary's exit status, and
    // returns it.
    int Print(int status);

    // Prints the document of a run that did not run: summary.refused holds
    // `reason` (the text standard error gives), summary.exit `status`.
    int PrintRefused(std::string_view reason, int status);

private:
    std::string m_command;
    std::string m_files;  // the file objects' text, comma-separated
    nlohmann::ordered_json m_summary = nlohmann::ordered_json::object();
};

// Sets `object[key]` to `text`, losslessly (see above).
void PutText(nlohmann::ordered_json& object, const std::string& key, std::string_view text);

}  // namespace kelvarin::cli
