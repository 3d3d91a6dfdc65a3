// A temporary folder that is removed with everything in it when the object
// goes, and small whole-file helpers for tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kelvarin::test {

using Bytes = std::vector<std::uint8_t>;

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // The path of `relative` inside the folder, as a string.
    std::string operator/(std::string_view relative) const;

private:
    std::filesystem::path m_path;
};

// Writes `content` to `path`, creating missing folders.
void WriteFile(const std::filesystem::path& path, const Bytes& content);
void WriteFile(const std::filesystem::path& path, std::string_view content);
Bytes ReadFile(const std::filesystem::path& path);
Bytes ToBytes(std::string_view text);

// Names of the entries of a folder (not recursive), sorted.
std::vector<std::string> ListFolder(const std::filesystem::path& folder);

}  // namespace kelvarin::test
