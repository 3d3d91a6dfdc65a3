// The list's format is fixed to the byte (list_format.h) and names hold no
// '"', so each entry is read by its attribute names alone.
#include "filelist/list_check.h"

#include <string>
#include <tuple>
#include <unordered_map>

namespace kelvarin {

namespace {

struct Entry {
    std::string_view name, pack, length, md5, md5x;
};

// The value of attribute `key` ("length") in `line`, or empty.
std::string_view Attribute(std::string_view line, std::string_view key) {
    const std::string marker = " " + std::string(key) + "=\"";
    const std::size_t start = line.find(marker);
    if (start == std::string_view::npos) {
        return {};
    }
    const std::size_t from = start + marker.size();
    const std::size_t end = line.find('"', from);
    return end == std::string_view::npos ? std::string_view() : line.substr(from, end - from);
}

struct ParsedList {
    std::string_view count;
    std::vector<Entry> entries;
};

ParsedList Parse(std::string_view text) {
    ParsedList list;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.starts_with("<root ")) {
            list.count = Attribute(line, "count");
        } else if (line.starts_with("    <file ")) {
            list.entries.push_back({Attribute(line, "name"), Attribute(line, "pack"),
                                    Attribute(line, "length"), Attribute(line, "md5"),
                                    Attribute(line, "md5x")});
        }
    }
    return list;
}

}  // namespace

std::vector<ListProblem> CompareLists(std::string_view published, std::string_view composed) {
    const ParsedList listed = Parse(published);
    const ParsedList present = Parse(composed);
    std::vector<ListProblem> problems;
    if (listed.count != std::to_string(listed.entries.size())) {
        problems.push_back({"count", "", std::to_string(listed.entries.size()) + " entries",
                            "count \"" + std::string(listed.count) + "\""});
    }
    std::unordered_map<std::string_view, const Entry*> byName;
    for (const Entry& entry : listed.entries) {
        byName.emplace(entry.name, &entry);
    }
    for (const Entry& file : present.entries) {
        const auto found = byName.find(file.name);
        if (found == byName.end()) {
            problems.push_back({"extra", std::string(file.name), "not in the list",
                                "a file of length " + std::string(file.length)});
            continue;
        }
        const Entry& entry = *found->second;
        byName.erase(found);
        for (const auto& [kind, want, have] : {std::tuple{"length", entry.length, file.length},
                                               {"md5", entry.md5, file.md5},
                                               {"md5x", entry.md5x, file.md5x},
                                               {"pack", entry.pack, file.pack}}) {
            if (want != have) {
                problems.push_back(
                    {kind, std::string(file.name), std::string(want), std::string(have)});
            }
        }
    }
    for (const Entry& entry : listed.entries) {
        if (byName.contains(entry.name)) {
            problems.push_back({"missing", std::string(entry.name),
                                "a file of length " + std::string(entry.length), "no such file"});
        }
    }
    if (problems.empty() && published != composed) {
        bool sameOrder = listed.entries.size() == present.entries.size();
        for (std::size_t i = 0; sameOrder && i < listed.entries.size(); ++i) {
            sameOrder = listed.entries[i].name == present.entries[i].name;
        }
        problems.push_back({sameOrder ? "format" : "order", "", "the bytes a list run writes",
                            sameOrder ? "other bytes" : "the entries in another order"});
    }
    return problems;
}

}  // namespace kelvarin
