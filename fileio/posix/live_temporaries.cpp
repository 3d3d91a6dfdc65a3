// Creating and removing files on POSIX: a new file is created exclusively,
// with mode 0666 less the umask, and its name may go while it is open.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "fileio/file_calls.h"

namespace kelvarin {

FileDescriptor CreateNewFile(const std::string& path) {
    return FileDescriptor(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
}

int RemoveFileNamed(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

}  // namespace kelvarin
