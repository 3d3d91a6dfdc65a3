#include "tests/filelist/sequential_file_list.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "codec/decompressor.h"
#include "fileio/paths.h"
#include "scan/collect_files.h"
#include "tests/support/md5_oracle.h"
#include "tests/support/temp_dir.h"

namespace kelvarin::test {

namespace {

std::string Lower(std::string text) {
    for (char& c : text) {
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    }
    return text;
}

// The MD5 of `bytes`, each byte written with `format`.
std::string Md5Hex(const Bytes& bytes, const char* format) {
    std::string hex;
    for (const unsigned char byte : OracleMd5(bytes)) {
        char piece[4];
        std::snprintf(piece, sizeof piece, format, byte);
        hex += piece;
    }
    return hex;
}

// ".~kvtmp&", a process id, '.', 16 lower-case hex digits: a temporary.
bool IsTemporary(const std::string& name) {
    const std::size_t dot = name.find('.', 8);
    const auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); };
    return name.starts_with(".~kvtmp&") && dot != std::string::npos && dot > 8 &&
           name.size() == dot + 17 &&
           std::all_of(name.begin() + 8, name.begin() + static_cast<long>(dot),
                       [](char c) { return c >= '0' && c <= '9'; }) &&
           std::all_of(name.begin() + static_cast<long>(dot) + 1, name.end(), hex);
}

}  // namespace

std::string SequentialListText(const std::string& root, const std::vector<std::string>& excludeList,
                               std::vector<std::string>* damaged) {
    std::vector<std::string> files;
    CollectFiles(root, files);
    const std::string list = root + kSeparator + "update_filelist.xml";
    std::erase_if(files, [&list](const std::string& path) {  // scanned paths are unique
        return path == list || path == list + ".bin" ||
               IsTemporary(path.substr(path.rfind(kSeparator) + 1));
    });
    auto window = std::make_unique<LzssWindow>();
    std::string text = "<root count=\"" + std::to_string(files.size()) + "\">\n";
    for (const std::string& path : files) {
        std::string name = Lower(path.substr(root.size() + 1));
        std::replace(name.begin(), name.end(), kSeparator, '\\');
        const std::string stem = name.size() < 4 ? name : name.substr(0, name.size() - 4);
        int pack = stem.ends_with(".mp3") ? 0 : 1;  // the extension from the last '.' is ".mp3"
        for (const std::string& entry : excludeList) {
            pack = Lower(entry.c_str()) == stem ? 0 : pack;
        }
        const Bytes bytes = ReadFile(path);
        Bytes content;
        if (DecompressStoredFile(path, *window, content, TruncationReport::kSilent) !=
                StoredFileState::kWhole &&
            name.ends_with(".aup") && damaged != nullptr) {
            damaged->push_back(path.substr(root.size() + 1));
        }
        text += "    <file name=\"" + name + "\" pack=\"" + std::to_string(pack) + "\" length=\"" +
                std::to_string(bytes.size()) + "\" md5=\"" + Md5Hex(bytes, "%02x") + "\" md5x=\"" +
                Md5Hex(content, " %02x") + "\" />\n";
    }
    return text + "</root>";
}

}  // namespace kelvarin::test
