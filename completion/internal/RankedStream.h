// The words of some disjoint rank ranges of a RankIndex, best score first
// (equal scores in byte order), found without visiting the others: a heap
// of pieces of the tree, each some entries of one node known by its best
// score. Popping an inner node's piece pushes the same piece from its next
// best child, read from the node's order, and that child whole; popping a
// leaf's piece gives its best word and pushes the entries left and right
// of it. So the first k words cost O(k log n) whatever the ranges hold.
// OrderedStream gives the same words in byte order.
#ifndef RORIRER_COMPLETION_INTERNAL_RANKEDSTREAM_H
#define RORIRER_COMPLETION_INTERNAL_RANKEDSTREAM_H

#include <cstdint>
#include <vector>

#include "completion/internal/RankIndex.h"

namespace rorirer {

class RankedStream {
public:
    RankedStream(const RankIndex& index, const std::vector<RankRange>& ranges);
    // False when every word has come.
    bool next(std::uint32_t& id, std::uint64_t& score);

private:
    // The entries [from, to) of a node (children or words) not yet given:
    // for an inner node those from place `next` on in its order; in a leaf
    // all of them, `next` the leftmost holding `best`.
    struct Piece {
        std::uint64_t best;
        // The rank of the first word under the entry holding `best`: it
        // orders pieces of equal score, as no other piece holds a word
        // between it and that entry's best word.
        std::uint32_t rank;
        std::uint32_t node;
        std::uint32_t base;  // the rank of the node's first word
        std::uint8_t from;
        std::uint8_t to;
        std::uint8_t next;
        bool isLeaf;
    };
    void push(std::uint32_t node, bool isLeaf, std::uint32_t from, std::uint32_t to,
              std::uint32_t base, std::uint32_t next);
    void addRange(RankRange range);
    void addSuffix(std::uint32_t node, bool isLeaf, std::uint32_t base, std::uint32_t begin);
    void addPrefix(std::uint32_t node, bool isLeaf, std::uint32_t base, std::uint32_t end);

    const RankIndex& index_;
    std::vector<Piece> heap_;
};

class OrderedStream {
public:
    OrderedStream(const RankIndex& index, std::vector<RankRange> ranges);
    bool next(std::uint32_t& id);

private:
    const RankIndex& index_;
    std::vector<RankRange> ranges_;  // sorted
    std::size_t range_ = 0;
    std::uint32_t rank_ = 0;
    RankIndex::Position at_;
};

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_RANKEDSTREAM_H
