// Path text on Windows: drive letters ("C:\"), UNC shares
// ("\\server\share\"), long-path prefixes ("\\?\", dropped where a plain
// form says the same, as the user would type it), drive-relative forms
// resolved against the current directories, and names compared ignoring
// case as NTFS does. Only the drive letter's case changes (upper); the rest
// keeps the case it was typed in.
#include <cctype>

#include "fileio/file_status.h"
#include "fileio/paths.h"
#include "fileio/windows/win32_text.h"

namespace kelvarin {

namespace {

bool IsDriveAt(std::string_view path, std::size_t at) {
    return path.size() >= at + 2 && std::isalpha(static_cast<unsigned char>(path[at])) != 0 &&
           path[at + 1] == ':';
}

bool HasLongPrefix(std::string_view path) {
    return path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] == '?' &&
           IsSeparator(path[3]);
}

std::size_t NextSeparator(std::string_view path, std::size_t from) {
    while (from < path.size() && !IsSeparator(path[from])) {
        ++from;
    }
    return from;
}

// "\\server\share\" from the server name starting at `at`.
std::string ShareTop(std::string_view path, std::size_t at, std::size_t& length) {
    const std::size_t serverEnd = NextSeparator(path, at);
    const std::size_t shareEnd = NextSeparator(path, std::min(serverEnd + 1, path.size()));
    length = std::min(shareEnd + 1, path.size());
    std::string top = "\\\\" + std::string(path.substr(at, serverEnd - at));
    if (shareEnd > serverEnd + 1) {
        top += kSeparator + std::string(path.substr(serverEnd + 1, shareEnd - serverEnd - 1));
    }
    return top + kSeparator;
}

}  // namespace

bool SamePathText(std::string_view a, std::string_view b) {
    if (a == b) {
        return true;
    }
    std::wstring wideA = WideOf(a);
    std::wstring wideB = WideOf(b);
    for (std::wstring* text : {&wideA, &wideB}) {
        for (wchar_t& c : *text) {
            c = c == L'/' ? L'\\' : c;
        }
    }
    return CompareStringOrdinal(wideA.data(), static_cast<int>(wideA.size()), wideB.data(),
                                static_cast<int>(wideB.size()), TRUE) == CSTR_EQUAL;
}

bool IsAbsolutePath(std::string_view path) {
    return (IsDriveAt(path, 0) && path.size() >= 3 && IsSeparator(path[2])) ||
           (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]));
}

bool IsTopFolder(std::string_view folder) {
    std::size_t length = 0;
    if (TopFolderOf(folder, length).empty()) {
        return false;
    }
    while (length < folder.size() && IsSeparator(folder[length])) {
        ++length;
    }
    return length == folder.size();
}

std::string TopFolderOf(std::string_view path, std::size_t& length) {
    length = 0;
    if (!IsAbsolutePath(path)) {
        return {};
    }
    if (HasLongPrefix(path)) {
        if (IsDriveAt(path, 4) && path.size() >= 7 && IsSeparator(path[6])) {
            length = 7;
            return {static_cast<char>(std::toupper(static_cast<unsigned char>(path[4]))), ':',
                    kSeparator};
        }
        if (path.size() >= 8 && SamePathText(path.substr(4, 3), "UNC") && IsSeparator(path[7])) {
            return ShareTop(path, 8, length);
        }
        // Another device ("\\?\Volume{...}\"): kept as spelled.
        const std::size_t end = NextSeparator(path, 4);
        length = std::min(end + 1, path.size());
        return "\\\\?\\" + std::string(path.substr(4, end - 4)) + kSeparator;
    }
    if (IsDriveAt(path, 0)) {
        length = 3;
        return {static_cast<char>(std::toupper(static_cast<unsigned char>(path[0]))), ':',
                kSeparator};
    }
    return ShareTop(path, 2, length);
}

std::string AbsoluteSpelling(const std::string& path) {
    if (IsDriveAt(path, 0)) {
        // "D:x": below the current folder of drive D, which the system keeps.
        const std::wstring drive = WideOf(path.substr(0, 2));
        wchar_t current[MAX_PATH];
        const DWORD size = GetFullPathNameW(drive.c_str(), MAX_PATH, current, nullptr);
        if (size == 0 || size >= MAX_PATH) {
            return {};
        }
        return Utf8Of(std::wstring_view(current, size)) + kSeparator + path.substr(2);
    }
    const std::string current = CurrentDirectory();
    if (current.empty()) {
        return {};
    }
    if (!path.empty() && IsSeparator(path.front())) {
        std::size_t length = 0;
        return TopFolderOf(current, length) + path.substr(1);  // "\x": on the current drive
    }
    return current + kSeparator + path;
}

}  // namespace kelvarin
