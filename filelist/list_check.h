// A published list checked against the list a run would write now: each
// difference as a problem a person (or a pipeline) can act on.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvarin {

struct ListProblem {
    std::string kind;  // missing, extra, length, md5, md5x, pack, count, order, format, ...
    std::string name;  // the published name, or the file concerned
    std::string expected;
    std::string found;
    bool operator==(const ListProblem&) const = default;
};

// The differences between `published` (the list in place) and `composed`
// (the list of the root as it is): entries missing from the root or from
// the list, and per entry each attribute that differs; a count that is not
// the number of entries; when the entries agree but the bytes do not, the
// order or the format.
std::vector<ListProblem> CompareLists(std::string_view published, std::string_view composed);

}  // namespace kelvarin
