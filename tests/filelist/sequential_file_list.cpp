#include "tests/filelist/sequential_file_list.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <regex>

#define OPENSSL_SUPPRESS_DEPRECATED  // one-call MD5, an oracle independent of ours
#include <openssl/md5.h>

#include "codec/decompressor.h"
#include "scan/collect_files.h"
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
    unsigned char digest[16];
    ::MD5(bytes.data(), bytes.size(), digest);
    std::string hex;
    for (const unsigned char byte : digest) {
        char piece[4];
        std::snprintf(piece, sizeof piece, format, byte);
        hex += piece;
    }
    return hex;
}

}  // namespace

std::string SequentialListText(const std::string& root, const std::vector<std::string>& excludeList,
                               std::vector<std::string>* damaged) {
    std::vector<std::string> files;
    CollectFiles(root, files);
    std::erase_if(files, [&root](const std::string& path) {  // scanned paths are unique
        return path == root + "/update_filelist.xml" || path == root + "/update_filelist.xml.bin" ||
               std::regex_match(path.substr(path.rfind('/') + 1),
                                std::regex(R"(\.~kvtmp&[0-9]+\.[0-9a-f]{16})"));
    });
    auto window = std::make_unique<LzssWindow>();
    std::string text = "<root count=\"" + std::to_string(files.size()) + "\">\n";
    for (const std::string& path : files) {
        std::string name = Lower(path.substr(root.size() + 1));
        std::replace(name.begin(), name.end(), '/', '\\');
        const std::string stem = name.size() < 4 ? name : name.substr(0, name.size() - 4);
        int pack = stem.ends_with(".mp3") ? 0 : 1;  // the extension from the last '.' is ".mp3"
        for (const std::string& entry : excludeList) {
            pack = Lower(entry.c_str()) == stem ? 0 : pack;
        }
        const Bytes bytes = ReadFile(path);
        Bytes content;
        if (DecompressStoredFile(path, *window, content) != StoredFileState::kWhole &&
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
