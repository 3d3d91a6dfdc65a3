#include "scan/client_names.h"

#include <unordered_map>

namespace kelvarin {

namespace {

bool ClientCanHoldName(std::string_view relativePath) {
    if (relativePath.empty()) {
        return false;
    }
    for (const char c : relativePath) {
        if (static_cast<unsigned char>(c) < 0x20 ||
            std::string_view("\\:*?\"<>|").find(c) != std::string_view::npos) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = LowerAscii(c);
    }
    return lower;
}

std::string PublishedName(std::string_view relativePath) {
    std::string name = LowerAscii(relativePath);
    for (char& c : name) {
        if (c == '/') {
            c = '\\';
        }
    }
    return name;
}

bool IsSameOrBelowFolder(std::string_view path, std::string_view folder) {
    if (path.empty() || folder.empty() || !path.starts_with(folder)) {
        return false;
    }
    // "/" is the one canonical folder that ends in its own separator.
    return path.size() == folder.size() || folder.back() == '/' || path[folder.size()] == '/';
}

std::optional<std::string_view> RelativeToFolder(std::string_view path, std::string_view folder) {
    if (!IsSameOrBelowFolder(path, folder)) {
        return std::nullopt;
    }
    std::string_view rest = path.substr(folder.size());
    if (!rest.empty() && rest.front() == '/') {
        rest.remove_prefix(1);
    }
    if (rest.empty()) {
        return std::nullopt;
    }
    return rest;
}

std::string_view RefusalText(RefusalReason reason) {
    switch (reason) {
        case RefusalReason::kNameNotHeld:
            return "the client cannot hold this name";
        case RefusalReason::kNameDiffersInCase:
            return "another file differs from it only in case";
    }
    return {};
}

std::vector<std::optional<RefusalReason>> RefusedNames(
    const std::vector<std::string_view>& relativePaths) {
    std::vector<std::optional<RefusalReason>> verdicts(relativePaths.size());
    std::unordered_map<std::string, std::size_t> firstWithName;
    firstWithName.reserve(relativePaths.size());
    for (std::size_t i = 0; i < relativePaths.size(); ++i) {
        if (!ClientCanHoldName(relativePaths[i])) {
            verdicts[i] = RefusalReason::kNameNotHeld;
            continue;
        }
        const auto [first, inserted] = firstWithName.emplace(PublishedName(relativePaths[i]), i);
        if (!inserted) {
            verdicts[first->second] = RefusalReason::kNameDiffersInCase;
            verdicts[i] = RefusalReason::kNameDiffersInCase;
        }
    }
    return verdicts;
}

}  // namespace kelvarin
