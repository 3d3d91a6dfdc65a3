#include "tests/filelist/sequential_file_list.h"

#include <sys/stat.h>

#include <cstdio>
#include <memory>

#include "codec/decompressor.h"
#include "fileio/file_reader.h"
#include "fileio/folders.h"
#include "fileio/replace_file.h"
#include "digest/file_digest.h"
#include "digest/md5.h"
#include "scan/collect_files.h"

namespace kelvarin::test {

namespace {

constexpr std::size_t kHeaderBytes = 4;

bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<char>(x + 32);
        }
        if (y >= 'A' && y <= 'Z') {
            y = static_cast<char>(y + 32);
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

std::string Extension(const std::string& stem) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < stem.size(); ++i) {
        if (stem[i] == '\\' || stem[i] == '/') {
            start = i + 1;
        }
    }
    std::string extension;
    for (std::size_t i = start; i < stem.size(); ++i) {
        if (stem[i] == '.') {
            extension = stem.substr(i);
        }
    }
    return extension;
}

std::string Published(const std::string& relative) {
    std::string name = relative;
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        } else if (c == '/') {
            c = '\\';
        }
    }
    return name;
}

}  // namespace

Digest Md5Of(const Bytes& bytes) {
    Md5Context context;
    MD5Init(&context);
    if (!bytes.empty()) {
        MD5Update(&context, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    }
    Digest digest{};
    MD5Final(digest.data(), &context);
    return digest;
}

std::string Hex(const Digest& digest) {
    std::string text;
    char pair[3];
    for (const std::uint8_t byte : digest) {
        std::snprintf(pair, sizeof pair, "%2.2x", byte);
        text += pair;
    }
    return text;
}

std::vector<PlainFileDigests> SequentialDigests(const std::vector<std::string>& paths) {
    auto work = std::make_unique<LzssWindow>();
    std::vector<PlainFileDigests> all;
    for (const std::string& path : paths) {
        PlainFileDigests digests;
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0) {
            digests.length = static_cast<std::uint32_t>(info.st_size);
        }
        FileDigest(path, digests.md5.data());
        std::vector<std::uint8_t> content;
        DecompressFile(path, *work, content);
        digests.md5x = Md5Of(content);
        all.push_back(digests);
    }
    return all;
}

std::string SequentialListText(const std::string& root,
                               const std::vector<std::string>& excludeList) {
    std::vector<std::string> files;
    CollectFiles(root, files);
    for (const std::string& own :
         {root + "/update_filelist.xml", root + "/update_filelist.xml.bin"}) {
        for (auto it = files.begin(); it != files.end(); ++it) {
            if (*it == own) {
                files.erase(it);
                break;
            }
        }
    }
    std::erase_if(files, [](const std::string& path) {
        return IsTemporaryFileName(path.substr(path.rfind('/') + 1));
    });

    const std::vector<PlainFileDigests> digests = SequentialDigests(files);
    std::string text;
    char line[4096];
    std::snprintf(line, sizeof line, "<root count=\"%d\">\n", static_cast<int>(files.size()));
    text += line;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string name = Published(files[i].substr(root.size() + 1));
        const std::string stem = name.size() < 4 ? name : name.substr(0, name.size() - 4);
        int pack = 1;
        for (const std::string& entry : excludeList) {
            if (EqualIgnoringAsciiCase(stem, entry)) {
                pack = 0;
            }
        }
        if (EqualIgnoringAsciiCase(Extension(stem), ".mp3")) {
            pack = 0;
        }
        std::snprintf(line, sizeof line, "    <file name=\"%s\" pack=\"%d\" length=\"%d\" md5=\"",
                      name.c_str(), pack, static_cast<int>(digests[i].length));
        text += line;
        for (const std::uint8_t byte : digests[i].md5) {
            std::snprintf(line, sizeof line, "%2.2x", byte);
            text += line;
        }
        text += "\"";
        text += " md5x=\"";
        for (const std::uint8_t byte : digests[i].md5x) {
            std::snprintf(line, sizeof line, " %2.2x", byte);
            text += line;
        }
        text += "\" />\n";
    }
    text += "</root>";
    return text;
}

StreamBuilder& StreamBuilder::Literal(std::uint8_t byte) {
    WriteBits(m_writer, 1, 1);
    WriteBits(m_writer, 8, byte);
    return *this;
}

StreamBuilder& StreamBuilder::Match(int position, int length) {
    WriteBits(m_writer, 1, 0);
    WriteBits(m_writer, 14, static_cast<std::uint32_t>(position));
    WriteBits(m_writer, 4, static_cast<std::uint32_t>(length - 3));
    return *this;
}

StreamBuilder& StreamBuilder::End() {
    WriteBits(m_writer, 1, 0);
    WriteBits(m_writer, 14, 0);
    return *this;
}

Bytes StreamBuilder::Stored(std::uint32_t lengthField) const {
    BitWriter copy = m_writer;
    FlushBits(copy);
    Bytes stored;
    stored.reserve(kHeaderBytes + copy.buffer.size());
    for (std::size_t i = 0; i < kHeaderBytes; ++i) {
        stored.push_back(static_cast<std::uint8_t>(lengthField >> (8 * i)));
    }
    for (const std::uint8_t byte : copy.buffer) {
        stored.push_back(byte);
    }
    return stored;
}

}  // namespace kelvarin::test
