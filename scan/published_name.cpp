// Published names and the names the client can hold. The client runs on a
// file system that ignores case and uses '\', so the published form folds
// ASCII case and writes '\'; a name with a character that Windows refuses
// could never be written there and is refused here.
#include "scan/published_name.h"

#include <string>

namespace kelvarin {

std::string PublishedName(std::string_view relativePath) {
    std::string name(relativePath);
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + ('a' - 'A'));
        } else if (c == '/') {
            c = '\\';
        }
    }
    return name;
}

bool ClientCanHoldName(std::string_view relativePath) {
    for (const char c : relativePath) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20) {
            return false;
        }
        switch (c) {
            case '\\':
            case ':':
            case '*':
            case '?':
            case '"':
            case '<':
            case '>':
            case '|':
                return false;
            default:
                break;
        }
    }
    return true;
}

}  // namespace kelvarin
