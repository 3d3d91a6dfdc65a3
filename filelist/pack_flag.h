// The pack flag of a listed file: 0 tells the updater to fetch the file as
// it is, 1 that it may be packed. A file's *stem* is its published name
// without as many characters as kStoredFileSuffix has, so exclude.list
// entries name the source file ("data\movie.dat"). The stem is 0 when it
// equals an entry or its extension is ".mp3", letters compared without
// regard to ASCII case. Entries are kept folded in a hash set, so a long
// exclude.list costs one lookup per file.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace kelvarin {

class ExclusionList {
public:
    explicit ExclusionList(const std::vector<std::string>& entries);

    // Whether `stem` equals an entry, ASCII letters compared without case.
    bool Contains(std::string_view stem) const;

private:
    std::unordered_set<std::string> m_folded;
};

// 0 or 1, as the list's `pack` attribute.
int PackFlag(std::string_view name, const ExclusionList& exclusions);

// The entries that name no file of `names` (published names), in their
// order: most likely typing errors, worth a warning, never a failure.
std::vector<std::string> UnmatchedExclusions(const std::vector<std::string>& entries,
                                             const std::vector<std::string_view>& names);

}  // namespace kelvarin
