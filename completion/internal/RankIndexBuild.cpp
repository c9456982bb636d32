// Building a rank index in one pass from words in byte order: full leaves
// as the words come, then each level of inner nodes from the one below.
#include <algorithm>
#include <numeric>
#include <utility>

#include "completion/internal/HugePages.h"
#include "completion/internal/RankIndex.h"
#include "completion/internal/WordHead.h"

namespace rorirer {

RankIndex::Builder::Builder(std::size_t words, std::uint32_t idLimit) {
    reserveHuge(built_.leafOf_, idLimit);
    built_.leafOf_.assign(idLimit, kNone);
    const std::size_t leafCount = (words + kLeafCapacity - 1) / kLeafCapacity;
    reserveHuge(built_.leaves_, leafCount);
    heads_.reserve(leafCount);
    // Inner nodes: a 64th of the level below, level by level.
    std::size_t innerCount = 0;
    for (std::size_t level = leafCount; level > 1;) {
        level = (level + kInnerCapacity - 1) / kInnerCapacity;
        innerCount += level;
    }
    built_.inners_.reserve(innerCount);
}

void RankIndex::Builder::add(std::uint32_t id, std::uint64_t score,
                             std::string_view word) noexcept {
    RankIndex& b = built_;
    if (b.leaves_.empty() || b.leaves_.back().size == kLeafCapacity) {
        const std::uint32_t index = b.takeLeaf();
        if (index > 0) {
            b.leaves_[index].prev = index - 1;
            b.leaves_[index - 1].next = index;
        }
        heads_.push_back(headOf(word));
    }
    Leaf& l = b.leaves_.back();
    l.id[l.size] = id;
    l.score[l.size] = score;
    ++l.size;
    b.leafOf_[id] = static_cast<std::uint32_t>(b.leaves_.size() - 1);
    ++b.size_;
}

void RankIndex::Builder::finish(RankIndex& index) noexcept {
    RankIndex& b = built_;
    // Each level's nodes are consecutive: leaves from 0, and the inner nodes
    // of each level right after those of the level below.
    std::uint32_t levelBegin = 0;
    auto levelSize = static_cast<std::uint32_t>(b.leaves_.size());
    bool childrenAreLeaves = true;
    while (levelSize > 1) {
        const auto above = static_cast<std::uint32_t>(b.inners_.size());
        for (std::uint32_t start = 0; start < levelSize; start += kInnerCapacity) {
            const std::uint32_t node = b.takeInner();
            Inner& n = b.inners_[node];
            n.leaves = childrenAreLeaves;
            n.size = std::min(kInnerCapacity, levelSize - start);
            for (std::uint32_t i = 0; i < n.size; ++i) {
                const std::uint32_t child = levelBegin + start + i;
                const Summary summary = b.summarize(child, childrenAreLeaves);
                n.child[i] = child;
                n.count[i] = summary.count;
                n.best[i] = summary.best;
                n.firstId[i] = summary.firstId;
                if (childrenAreLeaves) {
                    n.head[i] = heads_[child];
                    b.leaves_[child].parent = node;
                } else {
                    n.head[i] = b.inners_[child].head[0];
                    b.inners_[child].parent = node;
                }
            }
            std::iota(n.order, n.order + n.size, std::uint8_t{0});
            std::sort(n.order, n.order + n.size,
                      [&n](std::uint32_t x, std::uint32_t y) { return ahead(n.best, x, y); });
        }
        levelBegin = above;
        levelSize = static_cast<std::uint32_t>(b.inners_.size()) - above;
        childrenAreLeaves = false;
        ++b.height_;
    }
    if (levelSize == 1) {
        b.root_ = levelBegin;
        b.rootIsLeaf_ = b.height_ == 0;
    }
    index = std::move(b);
}

}  // namespace rorirer
