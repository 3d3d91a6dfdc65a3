// What a run met besides its files, in words, for the dialog's log and the
// command line alike: a root it could not lock, links it did not follow or
// followed, temporaries of stopped runs it removed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kelvarin {

struct RunFindings {
    std::string lockWarning;         // empty: the root was locked
    std::vector<std::string> loops;  // links to a folder that contains them
    std::size_t linksFollowed = 0;
    std::size_t leftoversRemoved = 0;
};

// One line each, without a line end; none for what did not happen.
std::vector<std::string> RunNotes(const RunFindings& findings);

}  // namespace kelvarin
