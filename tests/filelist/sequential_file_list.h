// The file list as a plain sequential run makes it: one window serves every
// file in list order, fields go through snprintf. Also a writer of hand-made
// stored files, whose matches can reach into the window earlier files left.
#pragma once

#include <string>
#include <vector>

#include "tests/support/bit_writer.h"
#include "tests/support/temp_dir.h"

namespace kelvarin::test {

// The list text for `root` (canonical), without root's two default list
// files and the temporaries of interrupted writes.
std::string SequentialListText(const std::string& root,
                               const std::vector<std::string>& excludeList);

class StreamBuilder {
public:
    StreamBuilder& Literal(std::uint8_t byte);
    // REQUIRES: 1 <= position < 16384, 3 <= length <= 18.
    StreamBuilder& Match(int position, int length);
    StreamBuilder& End();
    // A zero length field (never read) and the stream so far.
    Bytes Stored() const;

private:
    BitWriter m_writer;
};

}  // namespace kelvarin::test
