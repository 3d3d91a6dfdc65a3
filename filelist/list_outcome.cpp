// One switch over every outcome, so an outcome added later must be given
// its exit status.
#include "filelist/list_outcome.h"

#include "platform/exit_status.h"

namespace kelvarin {

int ExitStatusOf(FileListOutcome outcome) {
    switch (outcome) {
        case FileListOutcome::kWritten:
            return kExitOk;
        case FileListOutcome::kNoRoot:
        case FileListOutcome::kRootBusy:
        case FileListOutcome::kUnreadableFolder:
        case FileListOutcome::kOutputNotRegular:
            return kExitRefused;
        case FileListOutcome::kRefusedNames:
        case FileListOutcome::kUnreadableFile:
        case FileListOutcome::kCannotWrite:
        case FileListOutcome::kStopped:
            break;
    }
    return kExitFailed;
}

}  // namespace kelvarin
