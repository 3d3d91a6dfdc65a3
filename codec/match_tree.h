// The compressor's match finder: a binary search tree of window positions
// ordered by their 18-byte keys. Every choice it makes (which node wins among
// equally long matches, which node an equal key replaces, how removals
// reshape the tree) is part of the stored-file format, because it decides
// the bytes of every stored file. The functions are inline: InsertPosition
// is where compression spends its time.
//
// The walk is bound by the latency of its dependent node visits (15 to 35
// per byte), so each visit is kept short: the key is compared 8 bytes at a
// time straight from the window, both children are loaded before the
// direction is known, and the next node is then chosen without a branch.
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

// The node reached from `node` by going to its smaller child and then
// following larger children as far as they go.
// REQUIRES: `node` has a smaller child.
inline int FindPredecessor(const LzssWindow& work, int node) {
    int r = work.tree[static_cast<unsigned>(node)].child[kSmaller];
    while (work.tree[static_cast<unsigned>(r)].child[kLarger] != 0) {
        r = work.tree[static_cast<unsigned>(r)].child[kLarger];
    }
    return r;
}

// Puts `newNode` (a child of `oldNode`, or 0) in `oldNode`'s place under its
// parent; the parent's larger link is looked at first.
// REQUIRES: `oldNode` is in the tree.
inline void SpliceOut(LzssWindow& work, int oldNode, int newNode) {
    const NodeIndex parent = work.parent[static_cast<unsigned>(oldNode)];
    if (newNode != 0) {
        work.parent[static_cast<unsigned>(newNode)] = parent;
    }
    MatchNode& up = work.tree[parent];
    if (up.child[kLarger] == oldNode) {
        up.child[kLarger] = static_cast<NodeIndex>(newNode);
    } else {
        up.child[kSmaller] = static_cast<NodeIndex>(newNode);
    }
    work.parent[static_cast<unsigned>(oldNode)] = 0;
}

// Puts `newNode` in `oldNode`'s place, with its parent and both children;
// the parent's smaller link is looked at first.
// REQUIRES: `oldNode` is in the tree; `newNode` is not (a predecessor that
// takes its place has been spliced out first).
inline void SubstituteNode(LzssWindow& work, int oldNode, int newNode) {
    const NodeIndex parent = work.parent[static_cast<unsigned>(oldNode)];
    MatchNode& up = work.tree[parent];
    if (up.child[kSmaller] == oldNode) {
        up.child[kSmaller] = static_cast<NodeIndex>(newNode);
    } else {
        up.child[kLarger] = static_cast<NodeIndex>(newNode);
    }
    const MatchNode node = work.tree[static_cast<unsigned>(oldNode)];
    work.tree[static_cast<unsigned>(newNode)] = node;
    work.parent[static_cast<unsigned>(newNode)] = parent;
    // Position 0 is removed like any other, so its parent entry must stay 0.
    if (node.child[kSmaller] != 0) {
        work.parent[node.child[kSmaller]] = static_cast<NodeIndex>(newNode);
    }
    if (node.child[kLarger] != 0) {
        work.parent[node.child[kLarger]] = static_cast<NodeIndex>(newNode);
    }
    work.parent[static_cast<unsigned>(oldNode)] = 0;
}

// Takes position p out of the tree, if it is in it.
// REQUIRES: 0 <= p < kWindowSize.
inline void RemovePosition(LzssWindow& work, int p) {
    if (work.parent[static_cast<unsigned>(p)] == 0) {
        return;
    }
    const MatchNode node = work.tree[static_cast<unsigned>(p)];
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

// Both links of a node in one word: the smaller child in the low 16 bits,
// the larger child in the high 16 bits.
inline std::uint32_t LoadLinks(const MatchNode& node) {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint32_t links;
        std::memcpy(&links, &node, sizeof links);
        return links;
    } else {
        return node.child[kSmaller] | static_cast<std::uint32_t>(node.child[kLarger]) << 16;
    }
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
    const std::uint8_t* window = work.window.data();
    MatchNode* tree = work.tree.data();
    const std::uint8_t* key = window + n;
    const std::uint64_t head = LoadBigEndian64(key);

    // The visit of `test` starts with its links and its first 8 key bytes.
    unsigned test = tree[kAnchor].child[kLarger];
    std::uint32_t links = LoadLinks(tree[test]);
    std::uint64_t otherHead = LoadBigEndian64(window + test);
    int best = 0;
    unsigned bestPosition = test;
    for (;;) {
        // The next node is one of the two children: load the links and the
        // key head of both while this node is compared, so that the walk
        // waits for one load per level, not for a load and a comparison.
        // Child 0 (none) reads node 0 and window position 0, harmlessly.
        const unsigned smaller = links & 0xFFFFu;
        const unsigned larger = links >> 16;
        const std::uint32_t smallerLinks = LoadLinks(tree[smaller]);
        const std::uint32_t largerLinks = LoadLinks(tree[larger]);
        const std::uint64_t smallerHead = LoadBigEndian64(window + smaller);
        const std::uint64_t largerHead = LoadBigEndian64(window + larger);

        int length;
        bool goLarger;
        if (head != otherHead) {
            length = std::countl_zero(head ^ otherHead) >> 3;
            goLarger = head > otherHead;
        } else {
            // Rarer: the first 8 bytes are equal, the rest is read from the window.
            const std::uint64_t middle = LoadBigEndian64(key + 8);
            const std::uint64_t otherMiddle = LoadBigEndian64(window + test + 8);
            if (middle != otherMiddle) {
                length = 8 + (std::countl_zero(middle ^ otherMiddle) >> 3);
                goLarger = middle > otherMiddle;
            } else {
                const std::uint32_t tail = LoadBigEndian16(key + 16);
                const std::uint32_t otherTail = LoadBigEndian16(window + test + 16);
                if (tail == otherTail) {
                    matchPosition = static_cast<int>(test);
                    SubstituteNode(work, static_cast<int>(test), n);
                    return kLookAhead;
                }
                length = 16 + ((tail ^ otherTail) < 0x100 ? 1 : 0);
                goLarger = tail > otherTail;
            }
        }
        const bool better = length >= best;
        best = better ? length : best;
        bestPosition = better ? test : bestPosition;

        // The direction is a coin toss that no predictor can learn: select
        // the next node with masks rather than a branch.
        const std::uint32_t mask = 0u - static_cast<std::uint32_t>(goLarger);
        const std::uint64_t wideMask = 0 - static_cast<std::uint64_t>(goLarger);
        const unsigned next = smaller ^ ((smaller ^ larger) & mask);
        if (next == 0) {
            tree[test].child[goLarger ? kLarger : kSmaller] = static_cast<NodeIndex>(n);
            work.parent[static_cast<unsigned>(n)] = static_cast<NodeIndex>(test);
            tree[n] = MatchNode{};
            matchPosition = static_cast<int>(bestPosition);
            return best;
        }
        test = next;
        links = smallerLinks ^ ((smallerLinks ^ largerLinks) & mask);
        otherHead = smallerHead ^ ((smallerHead ^ largerHead) & wideMask);
    }
}

}  // namespace kelvarin
