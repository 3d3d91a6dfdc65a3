#include "settings/settings_files.h"

#include <cerrno>
#include <cstdint>

#include "fileio/file_reader.h"
#include "fileio/paths.h"
#include "fileio/replace_file.h"

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
    read.value = line.empty() ? line : CanonicalFolder(line);
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
