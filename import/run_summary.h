// The closing line of an import, as the command line prints it and the
// dialog logs it: one formatter, so both front ends tell a run the same way.
#pragma once

#include <cstdint>
#include <string>

namespace kelvarin {

struct ImportCounts {
    std::uint64_t added = 0;
    std::uint64_t updated = 0;
    std::uint64_t unchanged = 0;
    std::uint64_t refused = 0;
    std::uint64_t failed = 0;  // workers that could not be started count their files here
    double seconds = 0;
    double megabytesPerSecond = 0;  // source bytes processed, 10^6 bytes per second
    bool dryRun = false;            // nothing was written: says "would add", "would update"
};

// "added 3, updated 0, unchanged 0, refused 0, failed 0, 0.12 s, 4.5 MB/s",
// after "dry run, nothing written: " for a dry run; no line end.
std::string ImportSummaryLine(const ImportCounts& counts);

}  // namespace kelvarin
