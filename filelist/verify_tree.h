// `verify`: a published tree checked against its list, without writing: the
// list a run would write now is composed (under the root's lock, as a list
// run) and compared with the one in place, and the .bin with the list.
#pragma once

#include <string>
#include <vector>

#include "filelist/file_list_generator.h"
#include "filelist/list_check.h"
#include "filelist/listed_files.h"

namespace kelvarin {

struct VerifyResult {
    // Not kWritten: the tree could not be checked (no root, busy, an
    // unreadable folder or file, names the client cannot hold); `message`.
    FileListOutcome outcome = FileListOutcome::kWritten;
    std::string message;
    std::vector<UnlistableFile> namedFiles;  // the files `message` names
    std::vector<ListProblem> problems;       // empty: the tree agrees with its list
    RunFindings findings;
    std::vector<std::string> unmatchedExclusions;  // exclusions that name no file
    std::size_t fileCount = 0;
    bool Checked() const { return outcome == FileListOutcome::kWritten; }
};

// Checks the root of `request` against the list at request.listPath (the
// root's default when empty) and its .bin; request.excludeList gives the
// pack flags expected. The list is compared in request.listEncoding; the
// problems name files in UTF-8 (as they are when not text in it).
VerifyResult VerifyPublishedTree(const FileListRequest& request);

}  // namespace kelvarin
