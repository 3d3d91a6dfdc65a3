// Opening a file for reading on Windows: CreateFileW shared for reading,
// writing and deleting (a reader never stands in the way of a replacement or
// a removal), folders and devices turned away, and the change check on the
// last-write time at the file system's full resolution (100 ns) and the
// 64-bit size, since the C run time's stat has whole seconds only.
#include <fcntl.h>

#include <cerrno>

#include "fileio/file_reader.h"
#include "fileio/windows/win32_file.h"

namespace kelvarin {

ReadOutcome ChunkedReader::Open(const std::string& path) {
    OwnedHandle handle = OpenPath(path, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN);
    if (!handle.IsOpen()) {
        return {ReadResult::kCannotOpen, errno};
    }
    if (GetFileType(handle.Get()) != FILE_TYPE_DISK) {
        return {ReadResult::kNotAFile, 0};  // a device or a pipe
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!InformationOf(handle.Get(), info)) {
        return {ReadResult::kReadError, errno};
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return {ReadResult::kNotAFile, EISDIR};
    }
    m_size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    m_modified = static_cast<std::int64_t>(TicksOf(info.ftLastWriteTime));
    m_modifiedFraction = 0;
    m_fd = DescriptorOf(std::move(handle), _O_RDONLY);
    if (!m_fd.IsOpen()) {
        return {ReadResult::kCannotOpen, errno};
    }
    m_source = OpenSource(m_fd.Get(), path);
    return {};
}

bool ChunkedReader::ChangedSinceOpen() const {
    BY_HANDLE_FILE_INFORMATION info{};
    return !InformationOf(HandleOf(m_fd.Get()), info) ||
           ((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow) != m_size ||
           static_cast<std::int64_t>(TicksOf(info.ftLastWriteTime)) != m_modified;
}

}  // namespace kelvarin
