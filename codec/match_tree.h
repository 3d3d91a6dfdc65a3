// The compressor's match finder: a binary search tree of window positions
// ordered by their 18-byte keys. Every choice it makes (which node wins among
// equally long matches, which node an equal key replaces, how removals
// reshape the tree) is part of the stored-file format, because it decides
// the bytes of every stored file. The functions are inline: InsertPosition
// is where compression spends its time.
//
// The walk is bound by the latency of its dependent node visits (15 to 35
// per byte), so each visit is kept short: the key is compared 8 bytes at a
// time straight from the window, the key heads of both children are loaded
// before the direction is known, the next node is chosen without a branch,
// and only that node's links are loaded (loading both children's links
// would hide nothing more but fill the cache with the side not taken).
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "codec/byte_order.h"
#include "codec/lzss_window.h"

namespace kelvarin {

// Clears the tree and makes position 1 its root, as every run begins.
inline void ResetMatchTree(LzssWindow& work) {
    work.parent.fill(0);
    work.tree[kAnchor] = MatchNode{};
    work.tree[kAnchor].child[kLarger] = kFirstPosition;
    work.parent[kFirstPosition] = kAnchor;
    work.tree[kFirstPosition] = MatchNode{};
}

// Picks `ifTrue` or `ifFalse` with a conditional move. The compiler would
// often branch instead, and the direction of a tree walk is a coin toss
// that no predictor can learn.
template <typename T>
inline T Select(bool condition, T ifTrue, T ifFalse) {
#if defined(__x86_64__)
    asm("test %[condition], %[condition]\n\t"
        "cmovne %[ifTrue], %[result]"
        : [result] "+r"(ifFalse)
        : [ifTrue] "r"(ifTrue), [condition] "r"(condition)
        : "cc");
    return ifFalse;
#else
    return condition ? ifTrue : ifFalse;
#endif
}

// Puts `newNode` (a child of `oldNode`, or 0) in `oldNode`'s place under its
// parent; the parent's larger link is looked at first.
// REQUIRES: `oldNode` is in the tree.
inline void SpliceOut(LzssWindow& work, int oldNode, int newNode) {
    const NodeIndex parent = work.parent[static_cast<unsigned>(oldNode)];
    // Stores rather than unpredictable branches: the entry of node 0 (none)
    // is written and then cleared.
    work.parent[static_cast<unsigned>(newNode)] = parent;
    MatchNode& up = work.tree[parent];
    up.child[up.child[kLarger] == oldNode ? kLarger : kSmaller] = static_cast<NodeIndex>(newNode);
    work.parent[static_cast<unsigned>(oldNode)] = 0;
    work.parent[0] = 0;
}

// Puts `newNode` in `oldNode`'s place, with its parent and both children;
// the parent's smaller link is looked at first.
// REQUIRES: `oldNode` is in the tree; `newNode` is not (a predecessor that
// takes its place has been spliced out first).
inline void SubstituteNode(LzssWindow& work, int oldNode, int newNode) {
    const NodeIndex parent = work.parent[static_cast<unsigned>(oldNode)];
    MatchNode& up = work.tree[parent];
    up.child[up.child[kSmaller] == oldNode ? kSmaller : kLarger] = static_cast<NodeIndex>(newNode);
    const MatchNode node = work.tree[static_cast<unsigned>(oldNode)];
    work.tree[static_cast<unsigned>(newNode)] = node;
    work.parent[static_cast<unsigned>(newNode)] = parent;
    // As in SpliceOut, a missing child writes the entry of node 0.
    work.parent[node.child[kSmaller]] = static_cast<NodeIndex>(newNode);
    work.parent[node.child[kLarger]] = static_cast<NodeIndex>(newNode);
    work.parent[static_cast<unsigned>(oldNode)] = 0;
    // Position 0 is removed like any other, so its parent entry must stay 0.
    work.parent[0] = 0;
}

// Starts loading what removing position p will read first: its parent's
// links and the first steps of its predecessor walk. The compressor removes
// consecutive positions with an insertion between, whose walk leaves the
// memory system idle enough to fetch them.
inline void PrefetchRemoval(const LzssWindow& work, int p) {
    const unsigned smaller = work.tree[static_cast<unsigned>(p)].child[kSmaller];
    __builtin_prefetch(&work.tree[work.parent[static_cast<unsigned>(p)]]);
    __builtin_prefetch(&work.tree[work.tree[smaller].child[kLarger]]);
}

// Takes position p out of the tree, if it is in it.
// REQUIRES: 0 <= p < kWindowSize.
inline void RemovePosition(LzssWindow& work, int p) {
    PrefetchRemoval(work, (p + 1) & kWindowMask);
    if (work.parent[static_cast<unsigned>(p)] == 0) {
        return;
    }
    const MatchNode node = work.tree[static_cast<unsigned>(p)];
    if (node.child[kLarger] == 0 || node.child[kSmaller] == 0) {
        // The other link is 0, so this is the only child (or none).
        SpliceOut(work, p, node.child[kSmaller] | node.child[kLarger]);
        return;
    }
    // The predecessor r takes p's place. The walk to it knows r's parent
    // (`up`), which spares a load of the parent entry; r has no larger child,
    // so its smaller child takes its place, as SpliceOut would do.
    unsigned up = static_cast<unsigned>(p);
    unsigned r = node.child[kSmaller];
    // The walk is 0, 1 or 2 steps long about as often as longer, so the
    // first two steps move conditionally, and only longer walks pay for a
    // mispredicted loop exit.
    for (int step = 0; step < 2; ++step) {
        const unsigned next = work.tree[r].child[kLarger];
        up = Select(next != 0, r, up);
        r = Select(next != 0, next, r);
    }
    for (unsigned next = work.tree[r].child[kLarger]; next != 0;
         next = work.tree[r].child[kLarger]) {
        up = r;
        r = next;
    }
    const NodeIndex lower = work.tree[r].child[kSmaller];
    work.parent[lower] = static_cast<NodeIndex>(up);
    work.parent[0] = 0;
    MatchNode& upNode = work.tree[up];
    upNode.child[upNode.child[kLarger] == r ? kLarger : kSmaller] = lower;
    work.parent[r] = 0;
    SubstituteNode(work, p, static_cast<int>(r));
}

// Where a walk goes from a node whose key head differs from the new key's:
// `larger` and `largerHead` if `head` > `otherHead`, else `smaller` and
// `smallerHead`. The comparison feeds the moves directly, without a flag
// turned into a number and back: the next level's loads wait on it.
inline void StepByHead(std::uint64_t head, std::uint64_t otherHead, unsigned larger,
                       std::uint64_t largerHead, unsigned& smaller, std::uint64_t& smallerHead) {
#if defined(__x86_64__)
    asm("cmp %[otherHead], %[head]\n\t"
        "cmova %[larger], %[next]\n\t"
        "cmova %[largerHead], %[nextHead]"
        : [next] "+r"(smaller), [nextHead] "+r"(smallerHead)
        : [head] "r"(head), [otherHead] "r"(otherHead), [larger] "r"(larger),
          [largerHead] "r"(largerHead)
        : "cc");
#else
    if (head > otherHead) {
        smaller = larger;
        smallerHead = largerHead;
    }
#endif
}

// Inserts position n and returns the longest match length met on the way
// (0 to 18), with its position in `matchPosition`. Of equally long matches
// the one visited last wins; the root always sets `matchPosition`, even for
// length 0. A node whose 18 key bytes equal n's gives way to n.
// REQUIRES: 0 <= n < kWindowSize; n is not in the tree; the tree is not
// empty; the window mirror is in step.
inline int InsertPosition(LzssWindow& work, int n, int& matchPosition) {
    if (n == 0) {
        return 0;
    }
    // Everything is addressed from `work`, which keeps a register free.
    const std::uint8_t* key = work.window.data() + n;
    const std::uint64_t head = LoadBigEndian64(key);

    unsigned test = work.tree[kAnchor].child[kLarger];
    std::uint64_t otherHead = LoadBigEndian64(work.window.data() + test);
    unsigned smaller = work.tree[test].child[kSmaller];
    unsigned larger = work.tree[test].child[kLarger];
    int best = 0;
    unsigned bestPosition = test;
    for (;;) {
        // Both children's heads load while `test` is compared. Child 0
        // (none) reads window position 0, harmlessly.
        std::uint64_t nextHead = LoadBigEndian64(work.window.data() + smaller);
        const std::uint64_t largerHead = LoadBigEndian64(work.window.data() + larger);
        unsigned next = smaller;

        int length;
        bool goLarger;
        if (head != otherHead) [[likely]] {
            StepByHead(head, otherHead, larger, largerHead, next, nextHead);
            length = std::countl_zero(head ^ otherHead) >> 3;
            goLarger = head > otherHead;
        } else {
            // Rarer: the first 8 bytes are equal, the rest is read from the window.
            const std::uint8_t* other = work.window.data() + test;
            const std::uint64_t middle = LoadBigEndian64(key + 8);
            const std::uint64_t otherMiddle = LoadBigEndian64(other + 8);
            if (middle != otherMiddle) {
                length = 8 + (std::countl_zero(middle ^ otherMiddle) >> 3);
                goLarger = middle > otherMiddle;
            } else {
                const std::uint32_t tail = LoadBigEndian16(key + 16);
                const std::uint32_t otherTail = LoadBigEndian16(other + 16);
                if (tail == otherTail) {
                    matchPosition = static_cast<int>(test);
                    SubstituteNode(work, static_cast<int>(test), n);
                    return kLookAhead;
                }
                length = 16 + ((tail ^ otherTail) < 0x100 ? 1 : 0);
                goLarger = tail > otherTail;
            }
            next = Select(goLarger, larger, smaller);
            nextHead = Select(goLarger, largerHead, nextHead);
        }
        const bool better = length >= best;
        best = better ? length : best;
        bestPosition = better ? test : bestPosition;

        if (next == 0) {
            work.tree[test].child[goLarger ? kLarger : kSmaller] = static_cast<NodeIndex>(n);
            work.parent[static_cast<unsigned>(n)] = static_cast<NodeIndex>(test);
            work.tree[static_cast<unsigned>(n)] = MatchNode{};
            matchPosition = static_cast<int>(bestPosition);
            return best;
        }
        test = next;
        otherHead = nextHead;
        smaller = work.tree[next].child[kSmaller];
        larger = work.tree[next].child[kLarger];
    }
}

}  // namespace kelvarin
