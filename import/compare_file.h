// Byte-exact comparison of a source file with the content of its stored
// file, without unpacking the stored file whole: the stored file is decoded
// a chunk at a time and each chunk is compared with the source read in step,
// so memory does not grow with the file. The sizes are compared before any
// source content is read, and the source is read no further than its first
// difference. The stored file is always decoded to its end, because the
// window it leaves behind shapes the worker's next stored files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "codec/decompressor.h"
#include "codec/lzss_window.h"

namespace kelvarin {

// Source bytes read and compared at a time.
constexpr std::size_t kCompareChunkSize = 64 * 1024;

enum class StoredVerdict {
    kMissing,  // nothing at the stored file's path (nothing read, the window untouched)
    kSame,
    kDiffers,
};

class StoredFileComparer {
public:
    StoredFileComparer();

    // kSame when the source file at `sourcePath` consists of exactly the
    // content of the whole stored file at `storedPath`. kMissing when no
    // file is there. Else kDiffers: the stored file cannot be read (nothing
    // reported, the window untouched; a folder or FIFO is there), its
    // stream ends before its end marker ("Fatal error in InputBit!" on
    // standard output), its length field is not its content's length, the
    // sizes or the bytes differ, or the source cannot be opened ("Can not
    // find the file!" through perror) or read ("Read error"), or it changes
    // while it is read. Leaves in the window of `work` what decoding the
    // stored file leaves there. `progress` (when set) is told how far into
    // the source the comparison has got.
    StoredVerdict Compare(const std::string& storedPath, const std::string& sourcePath,
                          LzssWindow& work,
                          const std::function<void(std::uint64_t offset)>& progress = {});

private:
    StoredFileDecoder m_decoder;
    std::unique_ptr<std::uint8_t[]> m_sourceChunk;
};

}  // namespace kelvarin
