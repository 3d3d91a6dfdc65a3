#include "tests/support/literal_codec.h"

#include <algorithm>
#include <cstring>

#include "tests/support/bit_writer.h"

namespace kelvarin::test {

namespace {

constexpr int N = 16384;
constexpr int F = 18;
constexpr int THRESHOLD = 2;
constexpr int NIL = 0;
constexpr int ROOT = N;
enum { PARENT = 0, SMALLER = 1, LARGER = 2 };

struct Tree {
    LiteralWindow& w;

    int& Parent(int p) { return w.tree[p][PARENT]; }
    int& Smaller(int p) { return w.tree[p][SMALLER]; }
    int& Larger(int p) { return w.tree[p][LARGER]; }

    void SpliceOut(int oldNode, int newNode) {
        if (newNode != NIL) {
            Parent(newNode) = Parent(oldNode);
        }
        const int parent = Parent(oldNode);
        if (Larger(parent) == oldNode) {
            Larger(parent) = newNode;
        } else {
            Smaller(parent) = newNode;
        }
        Parent(oldNode) = NIL;
    }

    void Substitute(int oldNode, int newNode) {
        const int parent = Parent(oldNode);
        if (Smaller(parent) == oldNode) {
            Smaller(parent) = newNode;
        } else {
            Larger(parent) = newNode;
        }
        Parent(newNode) = Parent(oldNode);
        Smaller(newNode) = Smaller(oldNode);
        Larger(newNode) = Larger(oldNode);
        if (Smaller(newNode) != NIL) {
            Parent(Smaller(newNode)) = newNode;
        }
        if (Larger(newNode) != NIL) {
            Parent(Larger(newNode)) = newNode;
        }
        Parent(oldNode) = NIL;
    }

    int Predecessor(int node) {
        int r = Smaller(node);
        while (Larger(r) != NIL) {
            r = Larger(r);
        }
        return r;
    }

    void Remove(int p) {
        if (Parent(p) == NIL) {
            return;
        }
        if (Larger(p) == NIL) {
            SpliceOut(p, Smaller(p));
        } else if (Smaller(p) == NIL) {
            SpliceOut(p, Larger(p));
        } else {
            const int r = Predecessor(p);
            Remove(r);
            Substitute(p, r);
        }
    }

    int Insert(int n, int& matchPosition) {
        if (n == NIL) {
            return 0;
        }
        int test = Larger(ROOT);
        int best = 0;
        for (;;) {
            int i = 0;
            int delta = 0;
            for (; i < F; ++i) {
                delta = w.window[(n + i) % N] - w.window[(test + i) % N];
                if (delta != 0) {
                    break;
                }
            }
            if (i >= best) {
                best = i;
                matchPosition = test;
                if (i >= F) {
                    Substitute(test, n);
                    return best;
                }
            }
            int* child = delta >= 0 ? &Larger(test) : &Smaller(test);
            if (*child == NIL) {
                *child = n;
                Parent(n) = test;
                Larger(n) = NIL;
                Smaller(n) = NIL;
                return best;
            }
            test = *child;
        }
    }
};

// Bit i of the stream is bit 7 - i % 8 of byte i / 8; a field that runs
// past the end sets `exhausted`.
struct Reader {
    const std::vector<std::uint8_t>& data;
    std::size_t bit;
    bool exhausted = false;

    unsigned Bits(int count) {
        unsigned value = 0;
        for (int k = 0; k < count; ++k, ++bit) {
            if (bit / 8 >= data.size()) {
                exhausted = true;
                return 0;
            }
            value = value << 1 | ((data[bit / 8] >> (7 - bit % 8)) & 1u);
        }
        return value;
    }
};

}  // namespace

std::vector<std::uint8_t> LiteralCompress(const std::vector<std::uint8_t>& content,
                                          LiteralWindow& work) {
    Tree tree{work};
    BitWriter out;
    std::size_t next = 0;
    auto readByte = [&](int& byte) {
        if (next >= content.size()) {
            return false;
        }
        byte = content[next++];
        return true;
    };

    int lookAhead = 0;
    int byte = 0;
    while (lookAhead < F && readByte(byte)) {
        work.window[1 + lookAhead] = static_cast<std::uint8_t>(byte);
        ++lookAhead;
    }
    for (auto& node : work.tree) {
        node[PARENT] = node[SMALLER] = node[LARGER] = NIL;
    }
    tree.Larger(ROOT) = 1;
    tree.Parent(1) = ROOT;
    tree.Smaller(1) = tree.Larger(1) = NIL;

    int matchLength = 0;
    int matchPosition = 0;
    int current = 1;
    while (lookAhead > 0) {
        if (matchLength > lookAhead) {
            matchLength = lookAhead;
        }
        int replaceCount;
        if (matchLength <= THRESHOLD) {
            WriteBits(out, 1, 1);
            WriteBits(out, 8, work.window[current]);
            replaceCount = 1;
        } else {
            WriteBits(out, 1, 0);
            WriteBits(out, 14, static_cast<unsigned>(matchPosition));
            WriteBits(out, 4, static_cast<unsigned>(matchLength - (THRESHOLD + 1)));
            replaceCount = matchLength;
        }
        for (int i = 0; i < replaceCount; ++i) {
            const int p = (current + F) % N;
            tree.Remove(p);
            if (!readByte(byte)) {
                --lookAhead;
            } else {
                work.window[p] = static_cast<std::uint8_t>(byte);
            }
            current = (current + 1) % N;
            if (lookAhead != 0) {
                matchLength = tree.Insert(current, matchPosition);
            }
        }
    }
    WriteBits(out, 1, 0);
    WriteBits(out, 14, 0);
    FlushBits(out);

    std::vector<std::uint8_t> stored;
    const auto length = static_cast<std::uint32_t>(content.size());
    for (int shift = 0; shift < 32; shift += 8) {
        stored.push_back(static_cast<std::uint8_t>(length >> shift));
    }
    stored.insert(stored.end(), out.buffer.begin(), out.buffer.end());
    return stored;
}

LiteralDecoded LiteralDecompress(const std::vector<std::uint8_t>& stored, LiteralWindow& work) {
    LiteralDecoded result;
    std::vector<bool> written(N, false);
    Reader in{stored, 8 * std::min<std::size_t>(stored.size(), 4)};
    int current = 1;
    const auto put = [&](std::uint8_t byte) {
        result.content.push_back(byte);
        written[current] = true;
        work.window[current] = byte;
        current = (current + 1) % N;
    };
    for (;;) {
        const unsigned flag = in.Bits(1);
        const unsigned value = in.Bits(flag == 1 ? 8 : 14);  // a byte, or a match's position
        if (in.exhausted) {
            return result;
        }
        if (flag == 1) {
            put(static_cast<std::uint8_t>(value));
            continue;
        }
        if (value == 0) {
            result.endMarker = true;
            return result;
        }
        const unsigned lengthCode = in.Bits(4);
        if (in.exhausted) {
            return result;
        }
        // A position this stream has not written yet holds a byte of an
        // earlier one.
        result.foreignRead = result.foreignRead || !written[value];
        for (unsigned i = 0; i < lengthCode + THRESHOLD + 1; ++i) {
            put(work.window[(value + i) % N]);
        }
    }
}

void FillWindows(LzssWindow& fast, LiteralWindow& literal, std::span<const std::uint8_t> pattern,
                 bool plain) {
    for (std::size_t p = 0; p < N; ++p) {
        std::uint8_t byte = 0;
        if (!pattern.empty()) {
            byte = pattern[p % pattern.size()];
            byte = plain ? byte : static_cast<std::uint8_t>(byte + p / pattern.size() * 131u);
        }
        literal.window[p] = byte;
        StoreWindowByte(fast, static_cast<int>(p), byte);
    }
}

bool WindowsAgree(const LzssWindow& fast, const LiteralWindow& literal) {
    return std::memcmp(fast.window.data(), literal.window, N) == 0 &&
           std::memcmp(fast.window.data() + N, literal.window, kMirrorBytes) == 0;
}

}  // namespace kelvarin::test
