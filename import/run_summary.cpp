// The import's closing line.
#include "import/run_summary.h"

#include <cstdio>

namespace kelvarin {

std::string ImportSummaryLine(const ImportCounts& counts) {
    char line[256];
    std::snprintf(
        line, sizeof line,
        "%s%s %llu, %s %llu, unchanged %llu, refused %llu, failed %llu, %.2f s, %.1f MB/s",
        counts.dryRun ? "dry run, nothing written: " : "", counts.dryRun ? "would add" : "added",
        static_cast<unsigned long long>(counts.added), counts.dryRun ? "would update" : "updated",
        static_cast<unsigned long long>(counts.updated),
        static_cast<unsigned long long>(counts.unchanged),
        static_cast<unsigned long long>(counts.refused),
        static_cast<unsigned long long>(counts.failed), counts.seconds, counts.megabytesPerSecond);
    return line;
}

}  // namespace kelvarin
