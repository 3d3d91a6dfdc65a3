// The log of an import, as the dialog and the command line both show it:
// one line per worker message that changed something (or failed), naming the
// file by its path below the source folder. The receiver gets indexes only
// and looks the file up in its own copy of the workers' lists.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "import/deal.h"
#include "import/refused_files.h"

namespace kelvarin {

inline constexpr char kUpdatedPrefix[] = "更新:";
inline constexpr char kAddedPrefix[] = "添加:";
inline constexpr char kFailedPrefix[] = "failed:";
inline constexpr char kRefusedPrefix[] = "refused:";

// The worker index of a message: the low 32 bits of lParam, signed.
std::int32_t MessageWorkerIndex(std::intptr_t lParam);

// Entry `fileIndex` of list `workerIndex`, or empty when the worker index
// (taken as unsigned) names no list or the file index is past its list's end.
std::string LookUpWorkerFile(const WorkerFileLists& workerFiles, std::uintptr_t fileIndex,
                             std::intptr_t workerIndex);

// The part of `path` after the first occurrence of `sourceRoot` and the one
// separator that follows it ("Data/A.TXT"); the whole path when `sourceRoot`
// does not occur in it; empty when nothing follows.
std::string_view DisplayName(std::string_view path, std::string_view sourceRoot);

// prefix + display name (shown as ShownName does) + "(" worker index ")" +
// "\r\n", with the prefix
// "更新:" for WM_IMPORT_UPDATED, "添加:" for WM_IMPORT_ADDED and "failed:"
// for WM_IMPORT_FAILED. A failure's `reason`, when there is one, goes
// before the line end as " (" reason ")".
// REQUIRES: message is one of those three.
std::string ImportLogLine(unsigned message, std::string_view path, std::string_view sourceRoot,
                          std::intptr_t workerIndex, std::string_view reason = {});

// "refused:" + display name (as ShownName shows it) + " (" reason ")" + "\r\n".
std::string RefusedFileLine(const RefusedFile& file, std::string_view sourceRoot);

}  // namespace kelvarin
