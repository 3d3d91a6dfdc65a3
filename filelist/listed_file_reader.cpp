// The measurement at open is checked against the list's length field, so a
// file the list cannot describe is refused before any of it is read.
#include "filelist/listed_file_reader.h"

#include <limits>

#include "codec/stored_file.h"
#include "filelist/list_format.h"

namespace kelvarin {

// A listed file's length goes into the list as ListedFile::length.
static_assert(kMaxFieldLength <= std::numeric_limits<decltype(ListedFile::length)>::max());

ListedFileProblem ListedFileReader::Open(const std::string& path) {
    m_path = path;
    const ReadOutcome outcome = m_reader.Open(path);
    if (!outcome.Ok()) {
        return {DescribeReadFailure(outcome, path)};
    }
    if (m_reader.Size() > kMaxFieldLength) {
        return {path + " is 2 GiB or larger; the list's length field cannot describe it"};
    }
    return {};
}

ListedFileBytes ListedFileReader::ReadAll() {
    const auto wanted = static_cast<std::size_t>(m_reader.Size());
    ListedFileBytes read;
    read.bytes = std::make_unique_for_overwrite<std::uint8_t[]>(wanted);
    const ReadOutcome outcome = m_reader.ReadFull(std::span(read.bytes.get(), wanted), read.size);
    m_reader = ChunkedReader();
    if (!outcome.Ok()) {
        read.problem = DescribeReadFailure(outcome, m_path);
        read.bytes.reset();
        read.size = 0;
    }
    return read;
}

}  // namespace kelvarin
