// The root folder a command works on, the same way for every command:
// --root when it is given (refused when empty, since an empty root would
// mean the current folder to no one's intent), else the one kept in
// ./root.folder, as in the dialog.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <utility>

#include "settings/settings_files.h"

namespace kelvarin::cli {

// Returns the root; on a problem (an empty --root, a root.folder that cannot
// be read whole) `problem` says what it is.
inline std::string CommandRoot(const CLI::Option* rootOption, const std::string& given,
                               std::string& problem) {
    if (rootOption->count() == 0) {
        SettingsRead<std::string> kept = ReadRootFolderFile();
        problem = std::move(kept.problem);
        return std::move(kept.value);
    }
    if (given.empty()) {
        problem = "the root folder given is empty";
    }
    return given;
}

}  // namespace kelvarin::cli
