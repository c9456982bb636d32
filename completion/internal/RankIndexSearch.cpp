// Finding words in a rank index: the ranks of a prefix's words, the place
// of a new word, and walking the words in byte order.
#include "completion/internal/RankIndex.h"

#include <vector>

#include "completion/internal/WordHead.h"

namespace rorirer {

namespace {

// The child a descent for `key` takes: the last whose first word sorts
// before it (lower bound), or does not sort after it as a prefix (end of
// the prefix's words); the first when none does.
template <typename Before>
std::uint32_t childFor(const RankIndex::Inner& n, Before before) noexcept {
    std::uint32_t low = 1;
    std::uint32_t high = n.size;
    while (low < high) {
        const std::uint32_t middle = (low + high) / 2;
        if (before(n, middle)) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low - 1;
}

std::uint32_t countBefore(const RankIndex::Inner& n, std::uint32_t child) noexcept {
    std::uint32_t count = 0;
    for (std::uint32_t i = 0; i < child; ++i) count += n.count[i];
    return count;
}

}  // namespace

// The first word, from `node` down, for which `before` (on inner nodes'
// first words) and `leafBefore` (on a leaf's ids) say false: the words they
// say true for come first in byte order.
template <typename Before, typename LeafBefore>
RankIndex::Place RankIndex::descendFrom(std::uint32_t node, bool isLeaf, std::uint32_t rank,
                                        Before before, LeafBefore leafBefore) const noexcept {
    while (!isLeaf) {
        const Inner& n = inners_[node];
        const std::uint32_t c = childFor(n, before);
        rank += countBefore(n, c);
        node = n.child[c];
        isLeaf = n.leaves;
    }
    const Leaf& l = leaves_[node];
    std::uint32_t low = 0;
    std::uint32_t high = l.size;
    while (low < high) {
        const std::uint32_t middle = (low + high) / 2;
        if (leafBefore(l.id[middle])) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return {node, low, rank + low};
}

RankIndex::Place RankIndex::lowerBoundFrom(std::uint32_t node, bool isLeaf, std::uint32_t rank,
                                           std::string_view key,
                                           const WordTable& table) const noexcept {
    const std::uint64_t keyHead = headOf(key);
    return descendFrom(
        node, isLeaf, rank,
        [&](const Inner& n, std::uint32_t i) {
            return wordLess(n.head[i], n.firstId[i], key, keyHead, table);
        },
        [&](std::uint32_t id) { return table.word(id).compare(key) < 0; });
}

std::uint32_t RankIndex::prefixEndFrom(std::uint32_t node, bool isLeaf, std::uint32_t rank,
                                       std::string_view prefix,
                                       const WordTable& table) const noexcept {
    const std::uint64_t prefixHead = headOf(prefix);
    return descendFrom(
               node, isLeaf, rank,
               [&](const Inner& n, std::uint32_t i) {
                   return wordNotAfter(n.head[i], n.firstId[i], prefix, prefixHead, table);
               },
               [&](std::uint32_t id) {
                   return table.word(id).substr(0, prefix.size()).compare(prefix) <= 0;
               })
        .rank;
}

RankRange RankIndex::rangeOf(std::string_view prefix, const WordTable& table) const noexcept {
    if (root_ == kNone) return {0, 0};
    const std::uint64_t head = headOf(prefix);
    std::uint32_t node = root_;
    bool isLeaf = rootIsLeaf_;
    std::uint32_t rank = 0;
    while (!isLeaf) {
        const Inner& n = inners_[node];
        const std::uint32_t low = childFor(n, [&](const Inner& m, std::uint32_t i) {
            return wordLess(m.head[i], m.firstId[i], prefix, head, table);
        });
        const std::uint32_t high = childFor(n, [&](const Inner& m, std::uint32_t i) {
            return wordNotAfter(m.head[i], m.firstId[i], prefix, head, table);
        });
        if (low != high) {
            const std::uint32_t lowRank = rank + countBefore(n, low);
            const std::uint32_t highRank = rank + countBefore(n, high);
            return {lowerBoundFrom(n.child[low], n.leaves, lowRank, prefix, table).rank,
                    prefixEndFrom(n.child[high], n.leaves, highRank, prefix, table)};
        }
        rank += countBefore(n, low);
        node = n.child[low];
        isLeaf = n.leaves;
    }
    return {lowerBoundFrom(node, true, rank, prefix, table).rank,
            prefixEndFrom(node, true, rank, prefix, table)};
}

RankIndex::Position RankIndex::positionOf(std::uint32_t rank) const noexcept {
    if (rank >= size_) return {};
    std::uint32_t node = root_;
    bool isLeaf = rootIsLeaf_;
    while (!isLeaf) {
        const Inner& n = inners_[node];
        std::uint32_t i = 0;
        while (rank >= n.count[i]) rank -= n.count[i++];
        node = n.child[i];
        isLeaf = n.leaves;
    }
    return {node, rank};
}

void RankIndex::advance(Position& at) const noexcept {
    if (++at.index < leaves_[at.leaf].size) return;
    at.leaf = leaves_[at.leaf].next;
    at.index = 0;
}

}  // namespace rorirer
