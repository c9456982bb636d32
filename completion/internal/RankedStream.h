// The words of some disjoint rank ranges of a RankIndex, best score first
// (equal scores in byte order), found without visiting the others: a heap
// of pieces of the tree, each known by its best score. Popping a piece
// pushes at most three (the part left of its best child, the part right of
// it, and that child), so the first k words cost O(k log n) whatever the
// ranges hold. OrderedStream gives the same words in byte order.
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
    // Children (or leaf entries) [from, to) of one node; `rank` is the rank
    // of the first of them, which orders pieces of equal score.
    struct Piece {
        std::uint64_t best;
        std::uint32_t rank;
        std::uint32_t node;
        std::uint32_t from;
        std::uint32_t to;
        std::uint32_t bestAt;  // the leftmost child (or entry) holding `best`
        bool isLeaf;
    };
    void push(std::uint32_t node, bool isLeaf, std::uint32_t from, std::uint32_t to,
              std::uint32_t rank);
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
