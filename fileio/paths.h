// The rules of path text: the separator, how two spellings compare, the
// canonical form of a folder, and the parts a path splits into. Everything
// here works on the text alone except that a relative folder is taken
// against the current directory. The separator, comparison and top-folder
// rules sit in the first few functions and nowhere else, so that a system
// with another separator, drive letters or case-blind names changes only
// those.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvarin {

// The separator that paths are built with; Windows also takes '/'.
#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// Whether `c` separates two components of a path.
constexpr bool IsSeparator(char c) {
    return c == kSeparator || c == '/';
}

// The rules below differ by system (posix/ and windows/ path_text.cpp).

// Whether two spellings name the same path, as the file system compares
// names: byte for byte on POSIX; on Windows ignoring case as NTFS does
// (CompareStringOrdinal), '/' and '\' alike.
bool SamePathText(std::string_view a, std::string_view b);

// Whether `path` starts at the top of a file system rather than at the
// current directory: "/x"; on Windows "C:\x", "\\server\share\x" or
// "\\?\C:\x" (not the drive-relative "\x" or "C:x").
bool IsAbsolutePath(std::string_view path);

// Whether `folder` is the top of a file system: "/"; on Windows "C:\" or
// "\\server\share".
bool IsTopFolder(std::string_view folder);

// The canonical top folder that the absolute `path` starts at ("/", "C:\",
// "\\server\share\"; "\\?\" dropped where a plain form says the same),
// with `length` set to how many bytes of `path` spell it; empty (length 0)
// for a path that is not absolute.
std::string TopFolderOf(std::string_view path, std::size_t& length);

// `path` made absolute against the current directory (on Windows also the
// drive-relative "\x" and "C:x"), not yet canonical; empty when the current
// directory cannot be determined.
// REQUIRES: `path` is not absolute.
std::string AbsoluteSpelling(const std::string& path);

// The absolute, lexically canonical form of a folder path: relative paths
// resolved against the current directory, "." and ".." resolved, no doubled
// or trailing separator (except the top "/" itself), case kept. Symbolic
// links are not resolved. Empty when `folder` is relative and the current
// directory cannot be determined.
std::string CanonicalFolder(const std::string& folder);

// Whether `path` is `folder` itself or lies below it, compared by whole
// components: "/a/bc" is not below "/a/b". Empty paths are in no folder.
// Text only: see LiesInside (fileio/folders.h) for the check that follows
// links as well.
// REQUIRES: both are canonical (CanonicalFolder).
bool IsSameOrBelowFolder(std::string_view path, std::string_view folder);

// The part of `path` below `folder`, without the separator between them
// ("Data/A.TXT" for "/src/New/Data/A.TXT" below "/src/New"); nullopt when
// `path` is `folder` itself or does not lie below it.
// REQUIRES: `folder` is canonical.
std::optional<std::string_view> RelativeToFolder(std::string_view path, std::string_view folder);

// The folder part that a scan of `folder` puts before every relative path:
// the folder and one separator (the top itself, "/" or "C:\", as it is).
// REQUIRES: folder is canonical.
std::string RootPrefix(const std::string& folder);

// The folder part of a path, up to and including its last separator, or
// empty.
std::string DirectoryPart(const std::string& path);

// The last component of a path: all of it when it has no separator.
std::string_view FileNamePart(std::string_view path);

// The folder that holds `folder`; the top holds itself.
// REQUIRES: folder is canonical.
std::string ParentFolder(const std::string& folder);

}  // namespace kelvarin
