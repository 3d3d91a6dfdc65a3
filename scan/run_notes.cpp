#include "scan/run_notes.h"

#include "scan/client_names.h"

namespace kelvarin {

std::vector<std::string> RunNotes(const RunFindings& findings) {
    std::vector<std::string> notes;
    if (!findings.lockWarning.empty()) {
        notes.push_back("warning: " + findings.lockWarning);
    }
    for (const std::string& loop : findings.loops) {
        notes.push_back("not followed: " + ShownName(loop) + " links to a folder that contains it");
    }
    if (findings.linksFollowed > 0) {
        notes.push_back(std::to_string(findings.linksFollowed) + " symbolic links followed");
    }
    if (findings.leftoversRemoved > 0) {
        notes.push_back("removed " + std::to_string(findings.leftoversRemoved) +
                        " temporaries left by stopped runs");
    }
    return notes;
}

}  // namespace kelvarin
