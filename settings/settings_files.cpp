#include "settings/settings_files.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "fileio/file_reader.h"
#include "fileio/paths.h"
#include "fileio/replace_file.h"
#include "scan/client_names.h"

namespace kelvarin {

namespace {

// Settings files are small; anything larger is not one of ours.
constexpr std::uint64_t kMaxSettingsFileSize = 64u << 20;

bool IsSpace(std::uint8_t byte) {
    return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r' || byte == '\v' ||
           byte == '\f';
}

// Reads a settings file whole. A missing one is no problem (nothing has been
// set yet); any other failure is, in words, in `problem`.
bool ReadSettingsFile(const std::string& path, std::vector<std::uint8_t>& content,
                      std::string* problem) {
    const ReadOutcome outcome = ReadWholeFile(path, content, kMaxSettingsFileSize);
    if (!outcome.Ok() && !(outcome.result == ReadResult::kCannotOpen && outcome.error == ENOENT) &&
        problem != nullptr) {
        *problem = outcome.result == ReadResult::kTooLarge
                       ? path + " is larger than a settings file can be; it was not read"
                       : DescribeReadFailure(outcome, path);
    }
    return outcome.Ok();
}

// Why the root folder line cannot name a folder, or empty. A control byte
// (a NUL cuts the path short for the system), a line of only spaces or one
// that is not UTF-8 is never a folder anyone meant; spaces around a path
// are kept as part of it.
std::string RootLineProblem(const std::string& line, const std::string& path) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        const auto byte = static_cast<unsigned char>(line[i]);
        if (byte < 0x20) {
            char where[64];
            std::snprintf(where, sizeof where, "a control byte (\\x%02x) at byte %zu", byte, i + 1);
            return path + " holds " + where + " of its first line; it was not used";
        }
    }
    if (!line.empty() && line.find_first_not_of(' ') == std::string::npos) {
        return path + " holds only white space; it was not used";
    }
    // Kept folders are UTF-8 on every system; other bytes would name
    // another folder on Windows, or none.
    if (!IsUtf8(line)) {
        return path + " holds text that is not UTF-8 in its first line (" + ShownName(line) +
               "); it was not used";
    }
    return {};
}

}  // namespace

SettingsRead<std::string> ReadRootFolderFile(const std::string& path) {
    SettingsRead<std::string> read;
    std::vector<std::uint8_t> content;
    if (!ReadSettingsFile(path, content, &read.problem)) {
        return read;
    }
    std::string line(content.begin(), content.end());
    const std::size_t end = line.find_first_of("\r\n");
    if (end != std::string::npos) {
        line.resize(end);
    }
    read.problem = RootLineProblem(line, path);
    if (read.problem.empty() && !line.empty()) {
        read.value = CanonicalFolder(line);
    }
    return read;
}

WriteOutcome WriteRootFolderFile(const std::string& rootPath, const std::string& path) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(rootPath.data());
    return WriteFileReplacing(path, std::span<const std::uint8_t>(bytes, rootPath.size()));
}

SettingsRead<std::vector<std::string>> ReadExcludeListFile(const std::string& path) {
    SettingsRead<std::vector<std::string>> read;
    std::vector<std::uint8_t> content;
    if (!ReadSettingsFile(path, content, &read.problem)) {
        return read;
    }
    std::vector<std::string>& entries = read.value;
    std::size_t i = 0;
    while (i < content.size()) {
        while (i < content.size() && IsSpace(content[i])) {
            ++i;
        }
        const std::size_t start = i;
        while (i < content.size() && !IsSpace(content[i])) {
            ++i;
        }
        if (i > start) {
            entries.emplace_back(content.begin() + static_cast<std::ptrdiff_t>(start),
                                 content.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    return read;
}

}  // namespace kelvarin
