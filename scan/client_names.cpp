#include "scan/client_names.h"

#include <unordered_map>

#include "fileio/paths.h"

namespace kelvarin {

namespace {

// The length of the well-formed UTF-8 sequence at `at`, or 0 when none
// starts there. Overlong forms, surrogates and code points past U+10FFFF are
// not well-formed.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
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
        return 0;
    }
    if (text.size() - at < length) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) {
            return 0;
        }
    }
    return length;
}

// '&' too: the list has no escaping, so a name with one would not read back.
// The path's own separators ('\' among them where the system has it as one)
// become the list's '\'.
bool ClientCanHoldName(std::string_view relativePath) {
    if (relativePath.empty()) {
        return false;
    }
    for (const char c : relativePath) {
        if (IsSeparator(c)) {
            continue;
        }
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
        if (IsSeparator(c)) {
            c = '\\';
        }
    }
    return name;
}

// Well-formed UTF-8: the list is read as UTF-8 by the client, so any other
// byte sequence would name no file there.
bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceAt(text, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string ShownName(std::string_view name) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        const auto byte = static_cast<unsigned char>(name[i]);
        const std::size_t length = Utf8SequenceAt(name, i);
        if (length == 0 || byte < 0x20 || byte == 0x7F) {
            shown.append({'\\', 'x', kHex[byte >> 4], kHex[byte & 0x0F]});
            ++i;
            continue;
        }
        shown.append(name.substr(i, length));
        i += length;
    }
    return shown;
}

std::string_view RefusalText(RefusalReason reason) {
    switch (reason) {
        case RefusalReason::kNameNotHeld:
            return "the client cannot hold this name";
        case RefusalReason::kNameDiffersInCase:
            return "another file differs from it only in case";
        case RefusalReason::kNameIsAFolder:
            return "a file and a folder would have the same name; rename the source or delete "
                   "the stored file";
    }
    return {};
}

std::vector<std::optional<RefusalReason>> RefusedNames(
    const std::vector<std::string_view>& relativePaths, std::string_view storedSuffix) {
    std::vector<std::optional<RefusalReason>> verdicts(relativePaths.size());
    std::vector<std::string> published(relativePaths.size());
    std::unordered_map<std::string, std::size_t> firstWithName;
    firstWithName.reserve(relativePaths.size());
    // Every folder of a published name, with the paths below it.
    std::unordered_map<std::string, std::vector<std::size_t>> below;
    for (std::size_t i = 0; i < relativePaths.size(); ++i) {
        if (!ClientCanHoldName(relativePaths[i])) {
            verdicts[i] = RefusalReason::kNameNotHeld;
            continue;
        }
        published[i] = PublishedName(relativePaths[i]);
        const auto [first, inserted] = firstWithName.emplace(published[i], i);
        if (!inserted) {
            verdicts[first->second] = RefusalReason::kNameDiffersInCase;
            verdicts[i] = RefusalReason::kNameDiffersInCase;
        }
        for (std::size_t slash = published[i].find('\\'); slash != std::string::npos;
             slash = published[i].find('\\', slash + 1)) {
            below[published[i].substr(0, slash)].push_back(i);
        }
    }
    const auto refuseBelow = [&](const std::string& folder) {
        const auto found = below.find(folder);
        if (found == below.end()) {
            return false;
        }
        for (const std::size_t j : found->second) {
            verdicts[j] = verdicts[j].value_or(RefusalReason::kNameIsAFolder);
        }
        return true;
    };
    for (std::size_t i = 0; i < relativePaths.size(); ++i) {
        if (published[i].empty()) {
            continue;
        }
        const bool clash = refuseBelow(published[i]);
        if ((!storedSuffix.empty() && refuseBelow(published[i] + std::string(storedSuffix))) ||
            clash) {
            verdicts[i] = verdicts[i].value_or(RefusalReason::kNameIsAFolder);
        }
    }
    return verdicts;
}

}  // namespace kelvarin
