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

// The path named by the UTF-8 text `utf8`, and the UTF-8 text of `path`:
// what the product's names are. std::filesystem's own conversions of a
// std::string use another code page on Windows and garble such names.
std::filesystem::path PathOf(std::string_view utf8);
std::string TextOf(const std::filesystem::path& path);

// A path given either way, for the helpers below.
struct AnyPath {
    AnyPath(const std::filesystem::path& given) : path(given) {}
    AnyPath(const std::string& utf8) : path(PathOf(utf8)) {}
    AnyPath(const char* utf8) : path(PathOf(utf8)) {}
    AnyPath(std::string_view utf8) : path(PathOf(utf8)) {}
    std::filesystem::path path;
};

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // The path of `relative` (UTF-8, '/' between components) inside the
    // folder, as UTF-8 with the system's separator.
    std::string operator/(std::string_view relative) const;

private:
    std::filesystem::path m_path;
};

// Writes `content` to `path`, creating missing folders.
void WriteFile(const AnyPath& path, const Bytes& content);
void WriteFile(const AnyPath& path, std::string_view content);
Bytes ReadFile(const AnyPath& path);
Bytes ToBytes(std::string_view text);

// Names of the entries of a folder (not recursive), sorted.
std::vector<std::string> ListFolder(const AnyPath& folder);

}  // namespace kelvarin::test
