// The closing words of a file-list run, as the command line prints them and
// the dialog logs them: one formatter, so both front ends tell a run the
// same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kelvarin {

// "5 files, 1234 bytes, 0.12 s"; no line end.
std::string FileListSummaryText(std::size_t files, std::uint64_t bytes, double seconds);

// "2 damaged stored files".
std::string DamagedFilesText(std::size_t damaged);

// What is wrong with a damaged stored file and what to do about it, as the
// dialog's log and the command line both say it.
std::string DamagedFileAdvice();

}  // namespace kelvarin
