// Word ids in byte order of their words, in a B+tree whose leaves hold each
// word's score and whose inner nodes hold, per child, the number of words
// below it, the best score below it and the child's first word. Positions in
// byte order (ranks) give the range of every prefix; the best scores let
// RankedStream find the best words of a range without visiting the others.
// Every inner node also lists its children best first (equal scores in byte
// order), so the stream takes its next best child in one step instead of a
// scan.
//
// Changes come in two steps: reserveInsert() makes room and may throw
// std::bad_alloc; insert(), erase() and setScore() then cannot fail. Nodes
// live in vectors and refer to each other by index, so a copy of the index
// is a copy of its members.
#ifndef RORIRER_COMPLETION_INTERNAL_RANKINDEX_H
#define RORIRER_COMPLETION_INTERNAL_RANKINDEX_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rorirer {

class WordTable;

// Words [begin, end) by rank.
struct RankRange {
    std::uint32_t begin;
    std::uint32_t end;
};

class RankIndex {
public:
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    static constexpr std::uint32_t kLeafCapacity = 64;
    static constexpr std::uint32_t kInnerCapacity = 64;
    static_assert(kInnerCapacity <= 256, "orders are bytes");

    struct Leaf {
        std::uint32_t parent = kNone;
        std::uint32_t prev = kNone;  // neighbours in byte order
        std::uint32_t next = kNone;  // also links free leaves
        std::uint32_t size = 0;
        std::uint64_t score[kLeafCapacity];
        std::uint32_t id[kLeafCapacity];
    };
    struct Inner {
        std::uint32_t parent = kNone;  // also links free inner nodes
        std::uint32_t size = 0;
        bool leaves = false;  // whether the children are leaves
        std::uint32_t child[kInnerCapacity];
        std::uint32_t count[kInnerCapacity];
        std::uint64_t best[kInnerCapacity];
        // The first eight bytes of the child's first word, big-endian and
        // zero-padded, so most comparisons need not fetch the word.
        std::uint64_t head[kInnerCapacity];
        std::uint32_t firstId[kInnerCapacity];
        std::uint8_t order[kInnerCapacity];  // children by best, best first
    };

    std::uint32_t size() const noexcept { return size_; }

    // Builds a whole index from words in byte order (below).
    class Builder;

    // Room for one insertion of an id below `idLimit`.
    void reserveInsert(std::uint32_t idLimit);
    void insert(std::uint32_t id, std::uint64_t score, const WordTable& table) noexcept;
    void erase(std::uint32_t id, const WordTable& table) noexcept;
    void setScore(std::uint32_t id, std::uint64_t score) noexcept;
    void clear() noexcept;

    // The words that begin with `prefix`: from the first word not less than
    // it to the first after every word that begins with it. The two descents
    // share the nodes above the place where they part.
    RankRange rangeOf(std::string_view prefix, const WordTable& table) const noexcept;

    // A word's place, for walking in byte order.
    struct Position {
        std::uint32_t leaf = kNone;
        std::uint32_t index = 0;
    };
    Position positionOf(std::uint32_t rank) const noexcept;  // leaf kNone past the end
    std::uint32_t idAt(Position at) const noexcept { return leaves_[at.leaf].id[at.index]; }
    void advance(Position& at) const noexcept;

    // For RankedStream.
    std::uint32_t root() const noexcept { return root_; }
    bool rootIsLeaf() const noexcept { return rootIsLeaf_; }
    const Leaf& leaf(std::uint32_t index) const noexcept { return leaves_[index]; }
    const Inner& inner(std::uint32_t index) const noexcept { return inners_[index]; }

    std::size_t memoryBytes() const noexcept;
    // Empty when every invariant holds and the index holds exactly the live
    // words of `table` in byte order with `expectedScore`s; else the first
    // fault found. For tests.
    template <typename ScoreOf>
    std::string check(const WordTable& table, ScoreOf&& expectedScore) const;

private:
    struct Summary {
        std::uint32_t count;
        std::uint64_t best;
        std::uint32_t firstId;
    };
    Summary summarize(std::uint32_t node, bool isLeaf) const noexcept;
    // Whether child `a` of an inner node comes before child `b` in its order.
    static bool ahead(const std::uint64_t* scores, std::uint32_t a, std::uint32_t b) noexcept {
        return scores[a] != scores[b] ? scores[a] > scores[b] : a < b;
    }
    // Moves child `entry` to its place in an inner node's order after its
    // best changed, the other children being in order among themselves.
    static void reposition(std::uint8_t* order, std::uint32_t size, const std::uint64_t* scores,
                           std::uint32_t entry) noexcept;
    std::uint32_t slotInParent(std::uint32_t parent, std::uint32_t node) const noexcept;
    void setEntry(std::uint32_t parent, std::uint32_t slot, std::uint32_t node, bool isLeaf,
                  const WordTable& table) noexcept;
    void refreshUpward(std::uint32_t node, bool isLeaf, const WordTable* table) noexcept;
    std::uint32_t takeLeaf() noexcept;
    std::uint32_t takeInner() noexcept;
    void freeLeaf(std::uint32_t index) noexcept;
    void freeInner(std::uint32_t index) noexcept;
    void insertChild(std::uint32_t parent, std::uint32_t slot, std::uint32_t node, bool isLeaf,
                     const WordTable& table) noexcept;
    void removeChild(std::uint32_t parent, std::uint32_t slot, const WordTable& table) noexcept;
    void collapseRoot() noexcept;
    // A word's place in a leaf, and its rank.
    struct Place {
        std::uint32_t leaf;
        std::uint32_t index;
        std::uint32_t rank;
    };
    template <typename Before, typename LeafBefore>
    Place descendFrom(std::uint32_t node, bool isLeaf, std::uint32_t rank, Before before,
                      LeafBefore leafBefore) const noexcept;
    // Descents from `node` (whose first word has rank `rank`) to the first
    // word not less than `key` / the rank after every word beginning with
    // it. The first is also where insert() puts a new word.
    Place lowerBoundFrom(std::uint32_t node, bool isLeaf, std::uint32_t rank, std::string_view key,
                         const WordTable& table) const noexcept;
    std::uint32_t prefixEndFrom(std::uint32_t node, bool isLeaf, std::uint32_t rank,
                                std::string_view prefix, const WordTable& table) const noexcept;
    std::string checkStructure(const WordTable& table, std::vector<std::uint32_t>& order,
                               std::vector<std::uint64_t>& scores) const;

    std::vector<Leaf> leaves_;
    std::vector<Inner> inners_;
    std::vector<std::uint32_t> leafOf_;  // by id; kNone when not indexed
    std::uint32_t freeLeaves_ = kNone;
    std::uint32_t freeInners_ = kNone;
    std::uint32_t freeLeafCount_ = 0;
    std::uint32_t freeInnerCount_ = 0;
    std::uint32_t root_ = kNone;
    bool rootIsLeaf_ = true;
    std::uint32_t height_ = 0;  // inner levels above the leaves
    std::uint32_t size_ = 0;
};

// Builds a whole index from its words given one at a time, in byte order.
// The constructor takes all the room the index will need and may throw
// std::bad_alloc; add() and finish() then cannot fail.
class RankIndex::Builder {
public:
    Builder(std::size_t words, std::uint32_t idLimit);
    // The next word: its id (below idLimit), its score and its bytes, read
    // only while the call lasts.
    void add(std::uint32_t id, std::uint64_t score, std::string_view word) noexcept;
    // Puts the index of the words added in place of `index`'s. No more
    // words than the constructor was told of may have come.
    void finish(RankIndex& index) noexcept;

private:
    RankIndex built_;
    std::vector<std::uint64_t> heads_;  // of each leaf's first word
};

template <typename ScoreOf>
std::string RankIndex::check(const WordTable& table, ScoreOf&& expectedScore) const {
    std::vector<std::uint32_t> order;
    std::vector<std::uint64_t> scores;
    std::string fault = checkStructure(table, order, scores);
    if (!fault.empty()) return fault;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (scores[i] != expectedScore(order[i]))
            return "score of id " + std::to_string(order[i]) + " is stale";
    }
    return "";
}

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_RANKINDEX_H
