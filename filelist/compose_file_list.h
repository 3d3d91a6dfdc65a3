// What a list run reads, without writing anything: the root scanned whole,
// the names checked, every file digested, and the list's bytes.
#pragma once

#include <string>

#include "filelist/file_list_generator.h"

namespace kelvarin {

// What becomes of temporaries left by stopped runs: never listed, either
// removed or reported in FileListResult::temporaries.
enum class Leftovers { kRemove, kKeep };

// Returns the list of the canonical `rootPath` and fills `result` with what
// was met (damaged stored files, links, counts). When the root cannot be
// listed, result.outcome says so (not kWritten) with a message without a
// leading capital, naming the files, and the text returned is empty.
// REQUIRES: the caller holds the root's lock, or has warned that it cannot.
std::string ComposeFileList(const FileListRequest& request, const std::string& rootPath,
                            Leftovers leftovers, FileListResult& result);

}  // namespace kelvarin
