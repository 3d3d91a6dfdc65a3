#include "tests/filelist/sequential_file_list.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#define OPENSSL_SUPPRESS_DEPRECATED  // one-call MD5, an oracle independent of ours
#include <openssl/md5.h>

#include "codec/decompressor.h"
#include "scan/collect_files.h"

namespace kelvarin::test {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return text;
}

std::array<std::uint8_t, 16> Md5Of(const Bytes& bytes) {
    std::array<std::uint8_t, 16> digest;
    ::MD5(bytes.data(), bytes.size(), digest.data());
    return digest;
}

template <class... Args>
void Append(std::string& text, const char* format, Args... args) {
    char piece[4096];
    std::snprintf(piece, sizeof piece, format, args...);
    text += piece;
}

}  // namespace

std::string SequentialListText(const std::string& root,
                               const std::vector<std::string>& excludeList) {
    std::vector<std::string> files;
    CollectFiles(root, files);
    std::erase_if(files, [&root](const std::string& path) {  // scanned paths are unique
        return path == root + "/update_filelist.xml" || path == root + "/update_filelist.xml.bin" ||
               path.substr(path.rfind('/') + 1).starts_with(".~kvtmp.");
    });
    auto work = std::make_unique<LzssWindow>();
    std::string text;
    Append(text, "<root count=\"%d\">\n", static_cast<int>(files.size()));
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::string name = Lower(files[i].substr(root.size() + 1));
        std::replace(name.begin(), name.end(), '/', '\\');
        const std::string stem = name.size() < 4 ? name : name.substr(0, name.size() - 4);
        int pack = stem.ends_with(".mp3") ? 0 : 1;  // the extension from the last '.' is ".mp3"
        for (const std::string& entry : excludeList) {
            pack = Lower(entry.c_str()) == stem ? 0 : pack;
        }
        const Bytes bytes = ReadFile(files[i]);
        Bytes content;
        DecompressFile(files[i], *work, content);
        Append(text, "    <file name=\"%s\" pack=\"%d\" length=\"%d\" md5=\"", name.c_str(), pack,
               static_cast<int>(bytes.size()));
        for (const std::uint8_t byte : Md5Of(bytes)) {
            Append(text, "%2.2x", byte);
        }
        text += "\" md5x=\"";
        for (const std::uint8_t byte : Md5Of(content)) {
            Append(text, " %2.2x", byte);
        }
        text += "\" />\n";
    }
    return text + "</root>";
}

StreamBuilder& StreamBuilder::Literal(std::uint8_t byte) {
    WriteBits(m_writer, 9, 0x100u | byte);  // flag 1, then the byte
    return *this;
}

StreamBuilder& StreamBuilder::Match(int position, int length) {
    WriteBits(m_writer, 19, static_cast<std::uint32_t>(position << 4 | (length - 3)));
    return *this;
}

StreamBuilder& StreamBuilder::End() {
    WriteBits(m_writer, 15, 0);  // flag 0, position 0
    return *this;
}

Bytes StreamBuilder::Stored() const {
    BitWriter copy = m_writer;
    FlushBits(copy);
    Bytes stored(4 + copy.buffer.size(), 0);
    std::copy(copy.buffer.begin(), copy.buffer.end(), stored.begin() + 4);
    return stored;
}

}  // namespace kelvarin::test
