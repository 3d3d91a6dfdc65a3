#include "tests/support/temp_dir.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace kelvarin::test {

// A fresh folder under the system's temporary folder: create_directory
// reports a name that is taken, so a new random one is tried.
TempDir::TempDir() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "kelvarin-test-%08x", static_cast<unsigned>(random()));
        std::error_code error;
        if (std::filesystem::create_directory(base / name, error)) {
            m_path = base / name;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder in " + TextOf(base));
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Tests may leave read-only folders (and on Windows read-only files,
    // which cannot be deleted) behind; make them writable first.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (!it->is_symlink(ignored)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        }
    }
    std::filesystem::remove_all(m_path, ignored);
}

std::filesystem::path PathOf(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string TextOf(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

std::string TempDir::operator/(std::string_view relative) const {
    // "a/b" is spelled with the system's separator, as the product spells paths.
    return TextOf(m_path / PathOf(relative).make_preferred());
}

void WriteFile(const AnyPath& file, const Bytes& content) {
    const std::filesystem::path& path = file.path;
    if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path());
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(content.data()),
              static_cast<std::streamsize>(content.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + TextOf(path));
    }
}

void WriteFile(const AnyPath& path, std::string_view content) {
    WriteFile(path, ToBytes(content));
}

Bytes ReadFile(const AnyPath& path) {
    std::ifstream in(path.path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + TextOf(path.path));
    }
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes ToBytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

std::vector<std::string> ListFolder(const AnyPath& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path)) {
        names.push_back(TextOf(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace kelvarin::test
