// The one policy of names that the client can hold. The client runs on a
// file system that ignores ASCII case and separates with '\', so case
// folding, published names and the reasons for refusing a name live here
// once, for the import and the file list alike. Which local path lies in
// which folder is path text (fileio/paths.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvarin {

// 'A'-'Z' become 'a'-'z'; every other byte (UTF-8 included) stays.
constexpr char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
std::string LowerAscii(std::string_view text);

// 'a'-'z' become 'A'-'Z'; every other byte stays. Only the NTFS order needs
// it: there '_' sorts after the letters.
constexpr char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// A real path below a chosen folder ("Data/A.TXT") as the client names it:
// ASCII letters lower-cased, every '/' written as '\' ("data\a.txt").
std::string PublishedName(std::string_view relativePath);

// Whether `text` is well-formed UTF-8 (no overlong forms, surrogates or
// code points past U+10FFFF).
bool IsUtf8(std::string_view text);

// `name` as human lines show it: every byte below 0x20, 0x7F and every byte
// that is not part of well-formed UTF-8 written as "\xHH" (lower-case hex),
// so that no name can end a line, move the cursor or pass for another line.
// Reports for programs (JSON) keep the exact bytes instead.
std::string ShownName(std::string_view name);

enum class RefusalReason {
    kNameNotHeld,        // a character that the client's file system refuses
    kNameDiffersInCase,  // another file has the same published name
    kNameIsAFolder,      // a folder of other files has the same name, or is under one
};

// The reason in words, as logs and messages show it.
std::string_view RefusalText(RefusalReason reason);

// For each real relative path, why the client cannot hold it, or nullopt:
// an empty name, a name with any of \ : * ? " < > | or a byte below 0x20,
// every path whose published name another path of the list shares
// (neither may overwrite the other), and every path whose published name,
// or that name + `storedSuffix`, is the name of a folder of other paths,
// together with those paths (a file and a folder cannot share a name, and
// which one got written would depend on the order of the work).
std::vector<std::optional<RefusalReason>> RefusedNames(
    const std::vector<std::string_view>& relativePaths, std::string_view storedSuffix = {});

}  // namespace kelvarin
