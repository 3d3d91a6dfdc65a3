#include "filelist/listed_file_reader.h"

namespace kelvarin {

bool ListedFileReader::Open(const std::string& path, std::string& error) {
    m_path = path;
    const ReadOutcome outcome = m_reader.Open(path);
    if (!outcome.Ok()) {
        error = DescribeReadFailure(outcome, path);
        return false;
    }
    if (m_reader.Size() > kMaxListedLength) {
        error = path + " is 2 GiB or larger; the list's length field cannot describe it";
        return false;
    }
    return true;
}

bool ListedFileReader::ReadAll(std::unique_ptr<std::uint8_t[]>& bytes, std::size_t& size,
                               std::string& error) {
    const auto wanted = static_cast<std::size_t>(m_reader.Size());
    bytes = std::make_unique_for_overwrite<std::uint8_t[]>(wanted);
    const ReadOutcome outcome = m_reader.ReadFull(std::span(bytes.get(), wanted), size);
    m_reader = ChunkedReader();
    if (!outcome.Ok()) {
        error = DescribeReadFailure(outcome, m_path);
        bytes.reset();
        size = 0;
        return false;
    }
    return true;
}

}  // namespace kelvarin
