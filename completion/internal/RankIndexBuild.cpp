// Building a rank index in one pass from words already in byte order: full
// leaves, then each level of inner nodes from the one below.
#include <algorithm>
#include <utility>

#include "completion/internal/RankIndex.h"
#include "completion/internal/WordHead.h"

namespace rorirer {

void RankIndex::build(const std::vector<std::uint32_t>& ids,
                      const std::vector<std::uint64_t>& scores,
                      const std::function<std::string_view(std::size_t)>& wordAt,
                      std::uint32_t idLimit) {
    RankIndex fresh;
    fresh.leafOf_.assign(idLimit, kNone);
    const std::size_t leafCount = (ids.size() + kLeafCapacity - 1) / kLeafCapacity;
    fresh.leaves_.reserve(leafCount);
    // Inner nodes: a 64th of the level below, level by level.
    std::size_t innerCount = 0;
    for (std::size_t level = leafCount; level > 1;) {
        level = (level + kInnerCapacity - 1) / kInnerCapacity;
        innerCount += level;
    }
    fresh.inners_.reserve(innerCount);
    std::vector<std::uint32_t> level;
    level.reserve(leafCount);
    // The first word below each node of the level being built.
    std::vector<std::string_view> firstWords;
    firstWords.reserve(leafCount);

    for (std::size_t start = 0; start < ids.size(); start += kLeafCapacity) {
        const std::uint32_t index = fresh.takeLeaf();
        Leaf& l = fresh.leaves_[index];
        l.size =
            static_cast<std::uint32_t>(std::min<std::size_t>(kLeafCapacity, ids.size() - start));
        for (std::uint32_t i = 0; i < l.size; ++i) {
            l.id[i] = ids[start + i];
            l.score[i] = scores[start + i];
            fresh.leafOf_[l.id[i]] = index;
        }
        if (!level.empty()) {
            l.prev = level.back();
            fresh.leaves_[level.back()].next = index;
        }
        level.push_back(index);
        firstWords.push_back(wordAt(start));
    }
    fresh.size_ = static_cast<std::uint32_t>(ids.size());
    if (level.empty()) {
        *this = std::move(fresh);
        return;
    }
    bool childrenAreLeaves = true;
    while (level.size() > 1) {
        std::vector<std::uint32_t> above;
        std::vector<std::string_view> aboveFirstWords;
        above.reserve((level.size() + kInnerCapacity - 1) / kInnerCapacity);
        aboveFirstWords.reserve(above.capacity());
        for (std::size_t start = 0; start < level.size(); start += kInnerCapacity) {
            const std::uint32_t index = fresh.takeInner();
            Inner& n = fresh.inners_[index];
            n.leaves = childrenAreLeaves;
            n.size = static_cast<std::uint32_t>(
                std::min<std::size_t>(kInnerCapacity, level.size() - start));
            for (std::uint32_t i = 0; i < n.size; ++i) {
                const std::uint32_t child = level[start + i];
                const Summary summary = fresh.summarize(child, childrenAreLeaves);
                n.child[i] = child;
                n.count[i] = summary.count;
                n.best[i] = summary.best;
                n.firstId[i] = summary.firstId;
                n.head[i] = headOf(firstWords[start + i]);
                if (childrenAreLeaves) {
                    fresh.leaves_[child].parent = index;
                } else {
                    fresh.inners_[child].parent = index;
                }
            }
            above.push_back(index);
            aboveFirstWords.push_back(firstWords[start]);
        }
        level.swap(above);
        firstWords.swap(aboveFirstWords);
        childrenAreLeaves = false;
        ++fresh.height_;
    }
    fresh.root_ = level.front();
    fresh.rootIsLeaf_ = fresh.height_ == 0;
    *this = std::move(fresh);
}

}  // namespace rorirer
