// The file-list run's closing words.
#include "filelist/list_summary.h"

#include <cstdio>

#include "codec/stored_file.h"

namespace kelvarin {

std::string FileListSummaryText(std::size_t files, std::uint64_t bytes, double seconds) {
    char text[128];
    std::snprintf(text, sizeof text, "%zu files, %llu bytes, %.2f s", files,
                  static_cast<unsigned long long>(bytes), seconds);
    return text;
}

std::string DamagedFilesText(std::size_t damaged) {
    return std::to_string(damaged) + " damaged stored files";
}

std::string DamagedFileAdvice() {
    return DamageText() + "; import its source again";
}

}  // namespace kelvarin
