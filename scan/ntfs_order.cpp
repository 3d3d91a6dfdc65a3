// NTFS order: an upper-cased comparison, raw bytes as the tie-break. Only
// ASCII letters fold; every other byte, UTF-8 included, compares as itself.
#include "scan/ntfs_order.h"

#include <algorithm>
#include <cstddef>

#include "scan/client_names.h"

namespace kelvarin {

bool NtfsNameLess(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto ua = static_cast<unsigned char>(UpperAscii(a[i]));
        const auto ub = static_cast<unsigned char>(UpperAscii(b[i]));
        if (ua != ub) {
            return ua < ub;
        }
    }
    if (a.size() != b.size()) {
        return a.size() < b.size();
    }
    // Folded equal and of equal length: std::string_view compares as
    // unsigned char, which is the raw-byte order.
    return a < b;
}

}  // namespace kelvarin
