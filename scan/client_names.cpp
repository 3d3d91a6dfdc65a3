#include "scan/client_names.h"

#include <unordered_map>

namespace kelvarin {

namespace {

// Well-formed UTF-8: the list is read as UTF-8 by the client, so any other
// byte sequence would name no file there. Overlong forms, surrogates and
// code points past U+10FFFF are not well-formed.
bool IsUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        unsigned low = 0x80;  // the range of the first continuation byte
        unsigned high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else if (lead >= 0x80) {
            return false;
        }
        if (text.size() - i < length) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

// '&' too: the list has no escaping, so a name with one would not read back.
bool ClientCanHoldName(std::string_view relativePath) {
    if (relativePath.empty()) {
        return false;
    }
    for (const char c : relativePath) {
        if (static_cast<unsigned char>(c) < 0x20 ||
            std::string_view("\\:*?\"<>|&").find(c) != std::string_view::npos) {
            return false;
        }
    }
    return IsUtf8(relativePath);
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
