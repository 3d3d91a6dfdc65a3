// verify's look at the build a root came from: a dry import of the source
// tells which stored files are missing, differ or could not be made, and
// the orphan search which stored files have no source any more. Nothing is
// written; the root is locked while it is looked at.
#pragma once

#include <string>
#include <vector>

#include "import/start_import.h"

namespace kelvarin {

struct SourceFinding {
    std::string kind;  // not-imported, source-differs, source-unreadable, refused, no-source
    std::string name;  // the stored file below the root, or the source file concerned
    std::string expected;
    std::string found;
    bool operator==(const SourceFinding&) const = default;
};

struct SourceCheck {
    // Not empty: the check could not run, and this says why.
    std::string refusal;
    // Refused files first, then the source files in scan order, then the
    // stored files without a source.
    std::vector<SourceFinding> findings;
};

// A file the dry import fails (it cannot be read, or it would pass a limit
// of the stored file) is "source-unreadable" with the import's own reason.
// `launch` starts the dry run's workers (tests give their own).
SourceCheck CheckSourceAgainstRoot(const std::string& source, const std::string& root,
                                   const WorkerLauncher& launch = LaunchWorkerThread);

}  // namespace kelvarin
