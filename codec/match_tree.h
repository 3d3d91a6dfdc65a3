// The compressor's match finder: a binary search tree of window positions
// ordered by their 18-byte keys. Every choice it makes (which node wins among
// equally long matches, which node an equal key replaces, how removals
// reshape the tree) is part of the stored-file format, because it decides
// the bytes of every stored file. The functions are inline: InsertPosition
// is where compression spends its time.
#pragma once

#include <bit>
#include <cstdint>

#include "codec/byte_order.h"
#include "codec/lzss_window.h"

namespace kelvarin {

// The first 8 key bytes of position p as one big-endian word.
inline std::uint64_t KeyHead(const LzssWindow& work, int p) {
    return LoadBigEndian64(&work.window[static_cast<unsigned>(p)]);
}

// Clears the tree and makes position 1 its root, as every run begins.
inline void ResetMatchTree(LzssWindow& work) {
    work.parent.fill(0);
    work.tree[kAnchor] = MatchNode{};
    work.tree[kAnchor].child[kLarger] = kFirstPosition;
    work.parent[kFirstPosition] = kAnchor;
    work.tree[kFirstPosition] = MatchNode{KeyHead(work, kFirstPosition), {0, 0}};
}

// The node reached from `node` by going to its smaller child and then
// following larger children as far as they go.
inline int FindPredecessor(const LzssWindow& work, int node) {
    int r = work.tree[node].child[kSmaller];
    while (work.tree[r].child[kLarger] != 0) {
        r = work.tree[r].child[kLarger];
    }
    return r;
}

// Puts `newNode` (a child of `oldNode`, or 0) in `oldNode`'s place under its
// parent; the parent's larger link is looked at first.
inline void SpliceOut(LzssWindow& work, int oldNode, int newNode) {
    const int parent = work.parent[oldNode];
    if (newNode != 0) {
        work.parent[newNode] = parent;
    }
    MatchNode& up = work.tree[parent];
    if (up.child[kLarger] == oldNode) {
        up.child[kLarger] = newNode;
    } else {
        up.child[kSmaller] = newNode;
    }
    work.parent[oldNode] = 0;
}

// Puts `newNode` in `oldNode`'s place, with its parent and both children;
// the parent's smaller link is looked at first. The key head of `newNode`
// is its own and is not copied.
inline void SubstituteNode(LzssWindow& work, int oldNode, int newNode) {
    const int parent = work.parent[oldNode];
    MatchNode& up = work.tree[parent];
    if (up.child[kSmaller] == oldNode) {
        up.child[kSmaller] = newNode;
    } else {
        up.child[kLarger] = newNode;
    }
    const MatchNode& old = work.tree[oldNode];
    MatchNode& node = work.tree[newNode];
    node.child[kSmaller] = old.child[kSmaller];
    node.child[kLarger] = old.child[kLarger];
    work.parent[newNode] = parent;
    if (node.child[kSmaller] != 0) {
        work.parent[node.child[kSmaller]] = newNode;
    }
    if (node.child[kLarger] != 0) {
        work.parent[node.child[kLarger]] = newNode;
    }
    work.parent[oldNode] = 0;
}

// Takes position p out of the tree, if it is in it.
inline void RemovePosition(LzssWindow& work, int p) {
    if (work.parent[p] == 0) {
        return;
    }
    const MatchNode& node = work.tree[p];
    if (node.child[kLarger] == 0) {
        SpliceOut(work, p, node.child[kSmaller]);
    } else if (node.child[kSmaller] == 0) {
        SpliceOut(work, p, node.child[kLarger]);
    } else {
        const int r = FindPredecessor(work, p);
        RemovePosition(work, r);
        SubstituteNode(work, p, r);
    }
}

// Inserts position n and returns the longest match length met on the way
// (0 to 18), with its position in `matchPosition`. Of equally long matches
// the one visited last wins; the root always sets `matchPosition`, even for
// length 0. A node whose 18 key bytes equal n's gives way to n.
// REQUIRES: n is not in the tree; the window mirror is in step.
inline int InsertPosition(LzssWindow& work, int n, int& matchPosition) {
    if (n == 0) {
        return 0;
    }
    const std::uint8_t* window = work.window.data();
    const std::uint8_t* key = window + n;
    const std::uint64_t head = LoadBigEndian64(key);
    const std::uint64_t middle = LoadBigEndian64(key + 8);
    const std::uint32_t tail = LoadBigEndian16(key + 16);
    work.tree[n].keyHead = head;

    int test = work.tree[kAnchor].child[kLarger];
    int best = 0;
    for (;;) {
        MatchNode& node = work.tree[test];
        int length;
        bool larger;
        const std::uint64_t headDiff = head ^ node.keyHead;
        if (headDiff != 0) {
            length = std::countl_zero(headDiff) >> 3;
            larger = head > node.keyHead;
        } else {
            const std::uint64_t other = LoadBigEndian64(window + test + 8);
            const std::uint64_t middleDiff = middle ^ other;
            if (middleDiff != 0) {
                length = 8 + (std::countl_zero(middleDiff) >> 3);
                larger = middle > other;
            } else {
                const std::uint32_t otherTail = LoadBigEndian16(window + test + 16);
                if (tail == otherTail) {
                    best = kLookAhead;
                    matchPosition = test;
                    SubstituteNode(work, test, n);
                    return kLookAhead;
                }
                length = 16 + ((tail ^ otherTail) < 0x100 ? 1 : 0);
                larger = tail > otherTail;
            }
        }
        if (length >= best) {
            best = length;
            matchPosition = test;
        }
        const int next = node.child[larger ? kLarger : kSmaller];
        if (next == 0) {
            node.child[larger ? kLarger : kSmaller] = n;
            work.parent[n] = test;
            work.tree[n].child[kSmaller] = 0;
            work.tree[n].child[kLarger] = 0;
            return best;
        }
        test = next;
    }
}

}  // namespace kelvarin
