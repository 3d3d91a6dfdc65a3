// Workers take file indexes from an atomic counter and put their results in
// per-index slots. The cursor (the next file whose results go out) is
// advanced by at most one thread at a time, the *owner*: whoever finishes a
// file while nobody owns the cursor becomes the owner and advances it as far
// as finished files allow. Ownership is taken and given up under the mutex,
// together with the check of the next slot, so a finished file is never left
// behind. Only the owner touches the running window and the slot at the
// cursor, so both need no lock of their own.
#include "filelist/listed_file_digests.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <span>
#include <system_error>
#include <thread>

#include "codec/codec_constants.h"
#include "codec/stored_file.h"
#include "codec/stream_decoder.h"
#include "digest/md5.h"
#include "filelist/listed_file_reader.h"
#include "platform/debug_output.h"

namespace kelvarin {

namespace {

// More workers than this only contend for the disk.
constexpr unsigned kMaxWorkers = 8;
// MD5Update takes 32-bit lengths.
constexpr std::size_t kMd5Piece = std::size_t{1} << 30;

using Window = std::array<std::uint8_t, kWindowSize>;

void Md5Bytes(Md5Context& context, const std::uint8_t* bytes, std::size_t size) {
    while (size > 0) {
        const std::size_t piece = std::min(size, kMd5Piece);
        MD5Update(&context, bytes, static_cast<std::uint32_t>(piece));
        bytes += piece;
        size -= piece;
    }
}

Md5Digest DigestOf(const std::uint8_t* bytes, std::size_t size) {
    Md5Context context;
    MD5Init(&context);
    Md5Bytes(context, bytes, size);
    Md5Digest digest;
    MD5Final(digest.data(), &context);
    return digest;
}

// Decodes `bytes` with `window` (nullptr: unknown, stop at a foreign read),
// digesting the content as it comes. `md5x` and `whole` are written unless
// it stopped.
StreamDecodeResult DecodeAndDigest(StreamDecoder& decoder, const std::uint8_t* bytes,
                                   std::size_t size, const std::uint8_t* window,
                                   FileDigests& digests) {
    Md5Context context;
    MD5Init(&context);
    const StreamDecodeResult result =
        decoder.Decode(StoredStream({bytes, size}), window,
                       [&context](const std::uint8_t* chunk, std::size_t chunkSize) {
                           Md5Bytes(context, chunk, chunkSize);
                       });
    if (result.status != DecodeStatus::kStopped) {
        MD5Final(digests.md5x.data(), &context);
        const std::optional<std::uint32_t> lengthField = StoredLengthField({bytes, size});
        digests.whole = lengthField && result.status == DecodeStatus::kEndMarker &&
                        result.produced == *lengthField;
    }
    return result;
}

bool StopRequested(const std::atomic<bool>* stop) {
    return stop != nullptr && stop->load(std::memory_order_relaxed);
}

DigestFailure StoppedAt(std::size_t index) {
    return DigestFailure{index, "stopped before the list was written", true};
}

// Everything in list order on the calling thread, with the real window.
std::optional<DigestFailure> DigestInOrder(const std::vector<std::string>& paths,
                                           const std::atomic<bool>* stop,
                                           const FileDigestsSink& onFile) {
    StreamDecoder decoder;
    auto window = std::make_unique<Window>();
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (StopRequested(stop)) {
            return StoppedAt(i);
        }
        ListedFileReader reader;
        if (ListedFileProblem opened = reader.Open(paths[i]); !opened.Ok()) {
            return DigestFailure{i, std::move(opened.problem)};
        }
        ListedFileBytes read = reader.ReadAll();
        if (!read.Ok()) {
            return DigestFailure{i, std::move(read.problem)};
        }
        std::unique_ptr<std::uint8_t[]> bytes = std::move(read.bytes);
        const std::size_t size = read.size;
        FileDigests digests;
        digests.length = static_cast<std::uint32_t>(size);
        digests.md5 = DigestOf(bytes.get(), size);
        const StreamDecodeResult decoded =
            DecodeAndDigest(decoder, bytes.get(), size, window->data(), digests);
        ApplyWindowEffect(*window, decoder.Tail(), decoded.produced);
        bytes.reset();
        onFile(i, digests);
    }
    return std::nullopt;
}

struct Slot {
    enum class State : std::uint8_t { kWaiting, kDone, kFailed, kAbandoned };
    State state = State::kWaiting;
    FileDigests digests;
    // A foreign read: the file is decoded again at the cursor, from these bytes.
    bool needsWindow = false;
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t size = 0;
    std::uint64_t admitted = 0;  // bytes counted against the budget until released
    // Otherwise what the decode leaves in a window.
    std::vector<std::uint8_t> tail;
    std::uint64_t produced = 0;
    std::string failure;
};

class ParallelDigests {
public:
    ParallelDigests(const std::vector<std::string>& paths, std::uint64_t heldBytesBudget,
                    const std::atomic<bool>* stop, const FileDigestsSink& onFile)
        : m_paths(paths),
          m_heldBytesBudget(heldBytesBudget),
          m_stop(stop),
          m_onFile(onFile),
          m_slots(paths.size()) {}

    std::optional<DigestFailure> Run(unsigned workers) {
        std::vector<std::thread> threads;
        for (unsigned w = 1; w < workers; ++w) {
            try {
                threads.emplace_back([this] { Work(); });
            } catch (const std::system_error&) {
                break;  // fewer workers do the same work
            }
        }
        Work();
        for (std::thread& thread : threads) {
            thread.join();
        }
        for (std::size_t i = 0; i < m_slots.size(); ++i) {
            if (m_slots[i].state == Slot::State::kFailed) {
                return DigestFailure{i, std::move(m_slots[i].failure)};
            }
        }
        if (m_cursor < m_slots.size()) {
            return StoppedAt(m_cursor);
        }
        return std::nullopt;
    }

private:
    void Work() {
        StreamDecoder decoder;
        for (;;) {
            if (StopRequested(m_stop)) {
                {
                    // Under the lock, so that no worker about to wait misses it.
                    const std::lock_guard lock(m_mutex);
                    m_stopping.store(true, std::memory_order_relaxed);
                }
                m_budgetChanged.notify_all();
            }
            if (m_stopping.load(std::memory_order_relaxed)) {
                return;
            }
            const std::size_t index = m_next.fetch_add(1, std::memory_order_relaxed);
            if (index >= m_paths.size()) {
                return;
            }
            Slot slot;
            DigestFile(index, decoder, slot);
            Finish(index, std::move(slot));
        }
    }

    void DigestFile(std::size_t index, StreamDecoder& decoder, Slot& slot) {
        ListedFileReader reader;
        if (ListedFileProblem opened = reader.Open(m_paths[index]); !opened.Ok()) {
            slot.failure = std::move(opened.problem);
            slot.state = Slot::State::kFailed;
            return;
        }
        if (!Admit(index, reader.Size())) {
            slot.state = Slot::State::kAbandoned;
            return;
        }
        slot.admitted = reader.Size();
        ListedFileBytes read = reader.ReadAll();
        if (!read.Ok()) {
            Release(slot.admitted);
            slot.failure = std::move(read.problem);
            slot.state = Slot::State::kFailed;
            return;
        }
        slot.bytes = std::move(read.bytes);
        slot.size = read.size;
        slot.digests.length = static_cast<std::uint32_t>(slot.size);
        slot.digests.md5 = DigestOf(slot.bytes.get(), slot.size);
        const StreamDecodeResult decoded =
            DecodeAndDigest(decoder, slot.bytes.get(), slot.size, nullptr, slot.digests);
        slot.state = Slot::State::kDone;
        if (decoded.status == DecodeStatus::kStopped) {
            slot.needsWindow = true;
            return;  // keeps its bytes, and their place in the budget
        }
        const std::span<const std::uint8_t> tail = decoder.Tail();
        slot.tail.assign(tail.begin(), tail.end());
        slot.produced = decoded.produced;
        slot.bytes.reset();
        Release(slot.admitted);
    }

    // Waits until the file's bytes fit the budget or the file is at the
    // cursor. Returns false when the run is stopping.
    bool Admit(std::size_t index, std::uint64_t size) {
        std::unique_lock lock(m_mutex);
        m_budgetChanged.wait(lock, [&] {
            return m_stopping.load(std::memory_order_relaxed) || index == m_cursor ||
                   m_heldBytes + size <= m_heldBytesBudget;
        });
        if (m_stopping.load(std::memory_order_relaxed)) {
            return false;
        }
        m_heldBytes += size;
        return true;
    }

    void Release(std::uint64_t size) {
        {
            const std::lock_guard lock(m_mutex);
            m_heldBytes -= size;
        }
        m_budgetChanged.notify_all();
    }

    void Finish(std::size_t index, Slot&& slot) {
        const bool failed = slot.state == Slot::State::kFailed;
        bool owner = false;
        {
            const std::lock_guard lock(m_mutex);
            m_slots[index] = std::move(slot);
            if (failed) {
                m_stopping.store(true, std::memory_order_relaxed);
            } else if (!m_cursorOwned) {
                m_cursorOwned = true;
                owner = true;
            }
        }
        if (failed) {
            m_budgetChanged.notify_all();
        }
        if (owner) {
            AdvanceCursor();
        }
    }

    // Hands on the results of finished files in list order, as far as they
    // go, keeping the running window.
    void AdvanceCursor() {
        for (;;) {
            Slot* slot = nullptr;
            {
                const std::lock_guard lock(m_mutex);
                if (m_stopping.load(std::memory_order_relaxed) || m_cursor == m_slots.size() ||
                    m_slots[m_cursor].state != Slot::State::kDone) {
                    m_cursorOwned = false;
                    return;
                }
                slot = &m_slots[m_cursor];
            }
            if (slot->needsWindow) {
                const StreamDecodeResult decoded =
                    DecodeAndDigest(m_cursorDecoder, slot->bytes.get(), slot->size,
                                    m_window->data(), slot->digests);
                ApplyWindowEffect(*m_window, m_cursorDecoder.Tail(), decoded.produced);
                slot->bytes.reset();
                Release(slot->admitted);
            } else {
                ApplyWindowEffect(*m_window, slot->tail, slot->produced);
                slot->tail = {};
            }
            m_onFile(m_cursor, slot->digests);
            {
                const std::lock_guard lock(m_mutex);
                ++m_cursor;
            }
            // A worker waiting to be let in may now be at the cursor.
            m_budgetChanged.notify_all();
        }
    }

    const std::vector<std::string>& m_paths;
    const std::uint64_t m_heldBytesBudget;
    const std::atomic<bool>* m_stop;
    const FileDigestsSink& m_onFile;
    std::atomic<std::size_t> m_next{0};
    std::atomic<bool> m_stopping{false};

    std::mutex m_mutex;
    std::condition_variable m_budgetChanged;
    // Guarded by m_mutex, apart from the slot at the cursor, which belongs
    // to the owner once it is done.
    std::vector<Slot> m_slots;
    std::size_t m_cursor = 0;  // written by the owner only
    bool m_cursorOwned = false;
    std::uint64_t m_heldBytes = 0;

    // The owner's.
    StreamDecoder m_cursorDecoder;
    std::unique_ptr<Window> m_window = std::make_unique<Window>();
};

}  // namespace

std::optional<DigestFailure> DigestListedFiles(const std::vector<std::string>& paths,
                                               const DigestOptions& options,
                                               const FileDigestsSink& onFile) {
    unsigned workers = options.workers;
    if (workers == 0) {
        workers = std::max(1u, std::thread::hardware_concurrency());
    }
    workers = static_cast<unsigned>(std::min<std::size_t>({workers, kMaxWorkers, paths.size()}));
    if (workers <= 1 || DebugOutputListening()) {
        return DigestInOrder(paths, options.stop, onFile);
    }
    ParallelDigests run(paths, options.heldBytesBudget, options.stop, onFile);
    return run.Run(workers);
}

}  // namespace kelvarin
