// The length and the two digests of every listed file: md5 of the file's
// bytes and md5x of the content that decoding it yields. The results are
// exactly those of one sequential run in which a single window, zero-filled
// at the start, serves the decoding of every file in list order; for a file
// that is not a stored file, or a damaged one, the content can depend on
// window bytes that the files before it left.
//
// Several files are worked on at once. Each worker decodes without knowing
// the window; a decode that makes a foreign read (see stream_decoder.h) is
// put aside with its bytes and decoded again, in list order, by whichever
// thread is advancing the *cursor*: the running window, kept by applying
// each file's window effect in list order, is then exactly the window of the
// sequential run. The bytes of files held at once are bounded (the file at
// the cursor is always let in), so memory stays near a fixed budget plus the
// largest file. With one worker, or while the MD5 trace is listened to (its
// lines must come in the sequential order), everything runs in the calling
// thread in list order.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "filelist/list_format.h"

namespace kelvarin {

struct FileDigests {
    std::uint32_t length = 0;  // bytes of the file
    Md5Digest md5{};
    Md5Digest md5x{};
    // Decoding reached the end marker and gave as many bytes as the length
    // field says: false for a damaged stored file or one that is none.
    bool whole = false;
};

// Receives each file's results in list order, one call at a time, possibly
// from a worker thread (each call happens after the previous one returned).
using FileDigestsSink = std::function<void(std::size_t index, const FileDigests& digests)>;

struct DigestFailure {
    std::size_t index = 0;  // a file that could not be read (the first of those tried)
    std::string reason;     // names the file
    bool stopped = false;   // no file failed: the run was asked to stop before `index`
};

// Bytes of files held in memory at once, beyond the file at the cursor
// (which is always let in, so a file larger than this is still read).
constexpr std::uint64_t kDefaultHeldBytesBudget = 32u << 20;

struct DigestOptions {
    unsigned workers = 0;  // files worked on at once; 0: one per core
    std::uint64_t heldBytesBudget = kDefaultHeldBytesBudget;
    // When set, no further file is begun and the run ends as stopped.
    const std::atomic<bool>* stop = nullptr;
};

// Digests the files at `paths` in order and hands each result to `onFile`.
// Stops at a file that cannot be opened or read (or is not a regular file,
// or is too large for the list): `onFile` has then been called for some of
// the files before it and for none after, and the failure is returned. A
// stop request ends it the same way, with `stopped` set, unless every file
// was already handed on.
std::optional<DigestFailure> DigestListedFiles(const std::vector<std::string>& paths,
                                               const DigestOptions& options,
                                               const FileDigestsSink& onFile);

}  // namespace kelvarin
