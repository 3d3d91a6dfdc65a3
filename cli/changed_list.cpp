#include "cli/changed_list.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <span>

#include "cli/command.h"
#include "cli/print.h"
#include "fileio/paths.h"
#include "fileio/replace_file.h"

namespace kelvarin::cli {

std::string UploadName(std::string_view relative) {
    std::string name(relative);
    for (char& c : name) {
        c = IsSeparator(c) ? '/' : c;
    }
    return name;
}

int WriteChangedList(const std::string& file, const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& path : paths) {
        text.append(IsAbsolutePath(path) ? path : UploadName(path)).push_back('\n');
    }
    const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    if (const WriteOutcome written = WriteFileReplacing(file, bytes); !written) {
        PrintError("kelvarin-cli: %s\n", DescribeWriteFailure(written, file).c_str());
        return written.notRegular ? kExitRefused : kExitFailed;
    }
    return kExitOk;
}

void WithdrawChangedList(const std::string& file) {
    if (const WriteOutcome removed = RemoveRegularFile(file); !removed && !removed.notRegular) {
        PrintError("kelvarin-cli: cannot remove the old %s: %s\n", file.c_str(),
                   std::strerror(removed.error));
    }
}

}  // namespace kelvarin::cli
