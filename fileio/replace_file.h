// Crash-safe replacement of published files: the new bytes go to a
// temporary beside the target, flushed to disk, which is renamed over it only
// once it is complete, so a reader (or a crash) never sees a half-written
// file; the folder is flushed after the rename. Only a
// regular file is ever replaced: a link, FIFO, device or folder at the
// target is left as it is. The replaced file's mode (and owner, where the
// process may) carries over to its successor.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fileio/byte_stream.h"
#include "fileio/file_descriptor.h"

namespace kelvarin {

struct WriteOutcome {
    int error = 0;            // errno of the failing step; 0 on success
    bool notRegular = false;  // the target is there and is not a regular file
    explicit operator bool() const { return error == 0; }
};

// "PATH is not a regular file ..." or "cannot write PATH: <reason>".
std::string DescribeWriteFailure(const WriteOutcome& outcome, const std::string& path);

using Pieces = std::initializer_list<std::span<const std::uint8_t>>;

// A new file written in full to a temporary beside its target, but not yet
// in place: several files can be put in place one right after another once
// all of them are complete. Destroyed unpublished, it removes its temporary.
class PendingFile {
public:
    PendingFile() = default;
    PendingFile(PendingFile&& other) noexcept { *this = std::move(other); }
    PendingFile& operator=(PendingFile&& other) noexcept;
    ~PendingFile() { Discard(); }

    // Writes the pieces to a new temporary beside `path`, refusing a target
    // that is there and not a regular file, and flushes it to disk unless
    // the caller flushes many at once (FlushFileSystem) before publishing.
    // On failure nothing is left.
    // REQUIRES: nothing written yet.
    WriteOutcome Write(const std::string& path, Pieces pieces, bool flushData = true);

    // The same in steps, for content made as it is written: Begin creates the
    // temporary, Append adds bytes, Finish flushes (as Write) and closes it.
    // A failed step removes the temporary; so does Discard between steps.
    // REQUIRES (Begin): nothing written yet; (Append, Finish): Begin succeeded
    // and no step has failed since.
    WriteOutcome Begin(const std::string& path);
    WriteOutcome Append(std::span<const std::uint8_t> bytes);
    WriteOutcome Finish(bool flushData = true);

    // The bytes written, and the target they are for.
    std::uint64_t Size() const { return m_size; }
    const std::string& Path() const { return m_path; }
    // Written and not yet published or discarded.
    bool IsPending() const { return !m_temporary.empty(); }

    // Renames the temporary over the target, then flushes the folder unless
    // the caller flushes it later itself.
    // REQUIRES: Write succeeded.
    enum class FolderFlush { kNow, kByCaller };
    WriteOutcome Publish(FolderFlush flush = FolderFlush::kNow);

    // Removes the temporary, if one is left.
    void Discard();

private:
    WriteOutcome Fail(int error);

    std::string m_path;
    std::string m_temporary;
    std::uint64_t m_size = 0;
    // Open between Begin and Finish.
    FileDescriptor m_file;
    std::unique_ptr<ByteSink> m_sink;
};

// What PendingFile::Write would say of `path` before writing anything: a
// failure (notRegular) when something that is not a regular file stands
// there, else success. Lets a run refuse before it does its work.
WriteOutcome CheckReplaceable(const std::string& path);

// Removes the regular file at `path` (nothing there is success); a link,
// FIFO, device or folder is left as it is (notRegular).
WriteOutcome RemoveRegularFile(const std::string& path);

// Flushes every file and folder of the file system that holds `path` to
// disk: one flush for many files costs about what one fsync does. Returns
// 0 or the errno.
int FlushFileSystem(const std::string& path);

// Flushes the folder at `path` to disk, so that renames into it survive a
// crash. Best effort: a file system that cannot flush folders is left so.
void FlushFolder(const std::string& path);

// Replaces (or creates) the file at `path` with the concatenated pieces.
// On failure the temporary is removed, a file at `path` is left as it was,
// and errno holds the error too.
WriteOutcome WriteFileReplacing(const std::string& path, Pieces pieces);
inline WriteOutcome WriteFileReplacing(const std::string& path,
                                       std::span<const std::uint8_t> data) {
    return WriteFileReplacing(path, {data});
}

// Test seam: the random part of temporaries' names comes from `next`
// (nullptr: a generator per thread, seeded by the system), so that a test
// can make a name collide.
void SetTemporaryNameRandom(std::uint64_t (*next)());

// True for the names that WriteFileReplacing gives its temporaries, exactly
// ".~kvtmp&" + process id + "." + 16 hex digits. No publishable name holds
// an '&', so a temporary left by a crash is never taken for a published
// file, nor a published file for a temporary.
bool IsTemporaryFileName(std::string_view fileName);

// Removes the temporaries among `paths` (full paths) whose writing process
// has ended: leftovers of a killed run. Call under the root's lock, so no
// run of this tool can still be writing them. Returns how many it removed.
std::size_t RemoveLeftoverTemporaries(const std::vector<std::string>& paths);

// The same for the temporaries directly in `folder` (not below it).
std::size_t RemoveLeftoverTemporariesIn(const std::string& folder);

}  // namespace kelvarin
