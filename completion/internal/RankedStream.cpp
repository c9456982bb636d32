#include "completion/internal/RankedStream.h"

#include <algorithm>

namespace rorirer {
namespace {

struct Worse {
    template <typename Piece>
    bool operator()(const Piece& a, const Piece& b) const noexcept {
        return a.best != b.best ? a.best < b.best : a.rank > b.rank;
    }
};

}  // namespace

RankedStream::RankedStream(const RankIndex& index, const std::vector<RankRange>& ranges)
    : index_(index) {
    heap_.reserve(64);
    for (const RankRange& range : ranges) addRange(range);
}

void RankedStream::push(std::uint32_t node, bool isLeaf, std::uint32_t from, std::uint32_t to,
                        std::uint32_t base, std::uint32_t next) {
    if (from >= to) return;
    std::uint64_t best;
    std::uint32_t rank = base;
    if (isLeaf) {
        // A leaf's best is found by a scan: keeping leaves in score order
        // would cost every bulk load a sort per leaf.
        const std::uint64_t* scores = index_.leaf(node).score;
        next = from;
        for (std::uint32_t i = from + 1; i < to; ++i)
            if (scores[i] > scores[next]) next = i;
        best = scores[next];
        rank += next;
    } else {
        const RankIndex::Inner& n = index_.inner(node);
        while (next < n.size && (n.order[next] < from || n.order[next] >= to)) ++next;
        if (next == n.size) return;
        const std::uint32_t entry = n.order[next];
        best = n.best[entry];
        for (std::uint32_t i = 0; i < entry; ++i) rank += n.count[i];
    }
    heap_.push_back(Piece{best, rank, node, base, static_cast<std::uint8_t>(from),
                          static_cast<std::uint8_t>(to), static_cast<std::uint8_t>(next), isLeaf});
    std::push_heap(heap_.begin(), heap_.end(), Worse());
}

void RankedStream::addRange(RankRange range) {
    if (range.begin >= range.end || index_.root() == RankIndex::kNone) return;
    std::uint32_t node = index_.root();
    bool isLeaf = index_.rootIsLeaf();
    std::uint32_t base = 0;
    for (;;) {
        if (isLeaf) {
            push(node, true, range.begin - base, range.end - base, base, 0);
            return;
        }
        const RankIndex::Inner& n = index_.inner(node);
        std::uint32_t first = 0;
        std::uint32_t firstStart = base;
        while (firstStart + n.count[first] <= range.begin) firstStart += n.count[first++];
        std::uint32_t last = first;
        std::uint32_t lastStart = firstStart;
        while (lastStart + n.count[last] < range.end) lastStart += n.count[last++];
        const bool leftWhole = range.begin == firstStart;
        const bool rightWhole = range.end == lastStart + n.count[last];
        if (first == last && !(leftWhole && rightWhole)) {
            node = n.child[first];
            isLeaf = n.leaves;
            base = firstStart;
            continue;
        }
        push(node, false, leftWhole ? first : first + 1, rightWhole ? last + 1 : last, base, 0);
        if (!leftWhole) addSuffix(n.child[first], n.leaves, firstStart, range.begin);
        if (!rightWhole) addPrefix(n.child[last], n.leaves, lastStart, range.end);
        return;
    }
}

void RankedStream::addSuffix(std::uint32_t node, bool isLeaf, std::uint32_t base,
                             std::uint32_t begin) {
    for (;;) {
        if (isLeaf) {
            push(node, true, begin - base, index_.leaf(node).size, base, 0);
            return;
        }
        const RankIndex::Inner& n = index_.inner(node);
        std::uint32_t c = 0;
        std::uint32_t start = base;
        while (start + n.count[c] <= begin) start += n.count[c++];
        if (start == begin) {
            push(node, false, c, n.size, base, 0);
            return;
        }
        push(node, false, c + 1, n.size, base, 0);
        node = n.child[c];
        isLeaf = n.leaves;
        base = start;
    }
}

void RankedStream::addPrefix(std::uint32_t node, bool isLeaf, std::uint32_t base,
                             std::uint32_t end) {
    for (;;) {
        if (isLeaf) {
            push(node, true, 0, end - base, base, 0);
            return;
        }
        const RankIndex::Inner& n = index_.inner(node);
        std::uint32_t c = 0;
        std::uint32_t start = base;
        while (start + n.count[c] < end) start += n.count[c++];
        if (start + n.count[c] == end) {
            push(node, false, 0, c + 1, base, 0);
            return;
        }
        push(node, false, 0, c, base, 0);
        node = n.child[c];
        isLeaf = n.leaves;
        base = start;
    }
}

bool RankedStream::next(std::uint32_t& id, std::uint64_t& score) {
    while (!heap_.empty()) {
        std::pop_heap(heap_.begin(), heap_.end(), Worse());
        const Piece piece = heap_.back();
        heap_.pop_back();
        if (piece.isLeaf) {
            const RankIndex::Leaf& l = index_.leaf(piece.node);
            push(piece.node, true, piece.from, piece.next, piece.base, 0);
            push(piece.node, true, piece.next + 1u, piece.to, piece.base, 0);
            id = l.id[piece.next];
            score = l.score[piece.next];
            return true;
        }
        push(piece.node, false, piece.from, piece.to, piece.base, piece.next + 1u);
        // An inner piece's best is a child's: its words come from the
        // child's own piece.
        const RankIndex::Inner& n = index_.inner(piece.node);
        const std::uint32_t child = n.child[n.order[piece.next]];
        push(child, n.leaves, 0, n.leaves ? index_.leaf(child).size : index_.inner(child).size,
             piece.rank, 0);
    }
    return false;
}

OrderedStream::OrderedStream(const RankIndex& index, std::vector<RankRange> ranges)
    : index_(index), ranges_(std::move(ranges)) {
    std::sort(ranges_.begin(), ranges_.end(),
              [](const RankRange& a, const RankRange& b) { return a.begin < b.begin; });
    ranges_.erase(std::remove_if(ranges_.begin(), ranges_.end(),
                                 [](const RankRange& r) { return r.begin >= r.end; }),
                  ranges_.end());
    if (!ranges_.empty()) {
        rank_ = ranges_[0].begin;
        at_ = index_.positionOf(rank_);
    }
}

bool OrderedStream::next(std::uint32_t& id) {
    if (range_ >= ranges_.size()) return false;
    id = index_.idAt(at_);
    ++rank_;
    if (rank_ < ranges_[range_].end) {
        index_.advance(at_);
    } else if (++range_ < ranges_.size()) {
        rank_ = ranges_[range_].begin;
        at_ = index_.positionOf(rank_);
    }
    return true;
}

}  // namespace rorirer
