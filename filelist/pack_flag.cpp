#include "filelist/pack_flag.h"

#include "codec/stored_file.h"
#include "scan/client_names.h"

namespace kelvarin {

namespace {

constexpr std::string_view kUnpackedExtension = ".mp3";
// The published name without as many characters as the stored-file suffix
// has, whatever they are; a shorter name is its own stem.
std::string_view ListStem(std::string_view name) {
    return name.size() < kStoredFileSuffix.size()
               ? name
               : name.substr(0, name.size() - kStoredFileSuffix.size());
}

// From the last '.' of the last component (after the last '\' or '/'),
// the '.' included; empty when that component has no '.'.
std::string_view StemExtension(std::string_view stem) {
    const std::size_t separator = stem.find_last_of("\\/");
    const std::string_view component =
        separator == std::string_view::npos ? stem : stem.substr(separator + 1);
    const std::size_t dot = component.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : component.substr(dot);
}

}  // namespace

ExclusionList::ExclusionList(const std::vector<std::string>& entries) {
    for (const std::string& entry : entries) {
        // Entries are compared as C strings, so an entry ends at a zero byte.
        m_folded.insert(LowerAscii(std::string_view(entry.c_str())));
    }
}

bool ExclusionList::Contains(std::string_view stem) const {
    return !m_folded.empty() && m_folded.contains(LowerAscii(stem));
}

int PackFlag(std::string_view name, const ExclusionList& exclusions) {
    const std::string_view stem = ListStem(name);
    if (exclusions.Contains(stem)) {
        return 0;
    }
    return LowerAscii(StemExtension(stem)) == kUnpackedExtension ? 0 : 1;
}

std::vector<std::string> UnmatchedExclusions(const std::vector<std::string>& entries,
                                             const std::vector<std::string_view>& names) {
    std::unordered_set<std::string> stems;
    for (const std::string_view name : names) {
        stems.insert(LowerAscii(ListStem(name)));
    }
    std::vector<std::string> unmatched;
    for (const std::string& entry : entries) {
        if (!stems.contains(LowerAscii(std::string_view(entry.c_str())))) {
            unmatched.push_back(entry);
        }
    }
    return unmatched;
}

}  // namespace kelvarin
