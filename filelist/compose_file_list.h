// What a list run reads, without writing anything: the root scanned whole,
// the names checked, every file digested, and the list's bytes.
#pragma once

#include <string>

#include "filelist/file_list_generator.h"

namespace kelvarin {

// Fills `text` with the list of the canonical `rootPath` and `result` with
// what was met (damaged stored files, links, counts). Temporaries of stopped
// runs are left out of the list, and removed when `removeLeftovers`. Returns
// false when the root cannot be listed: `result` then says why (outcome and
// a message without a leading capital, naming the files).
// REQUIRES: the caller holds the root's lock, or has warned that it cannot.
bool ComposeFileList(const FileListRequest& request, const std::string& rootPath,
                     bool removeLeftovers, FileListResult& result, std::string& text);

}  // namespace kelvarin
