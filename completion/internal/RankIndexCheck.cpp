// What a rank index costs, and the check of its invariants for the tests.
#include "completion/internal/RankIndex.h"
#include "completion/internal/WordHead.h"

namespace rorirer {

namespace {

// Whether `order` holds each of [0, size) once, each after those `ahead`
// puts before it.
template <typename Ahead>
bool inOrder(const std::uint8_t* order, std::uint32_t size, Ahead ahead) {
    std::vector<bool> seen(size, false);
    for (std::uint32_t i = 0; i < size; ++i) {
        if (order[i] >= size || seen[order[i]]) return false;
        seen[order[i]] = true;
        if (i > 0 && !ahead(order[i - 1], order[i])) return false;
    }
    return true;
}

}  // namespace

std::size_t RankIndex::memoryBytes() const noexcept {
    return leaves_.capacity() * sizeof(Leaf) + inners_.capacity() * sizeof(Inner) +
           leafOf_.capacity() * sizeof(std::uint32_t);
}

std::string RankIndex::checkStructure(const WordTable& table, std::vector<std::uint32_t>& order,
                                      std::vector<std::uint64_t>& scores) const {
    if (root_ == kNone) {
        if (size_ != 0) return "empty tree with a size";
        if (table.size() != 0) return "empty tree but words in the table";
        return "";
    }
    struct Frame {
        std::uint32_t node;
        bool isLeaf;
        std::uint32_t depth;
    };
    std::vector<Frame> stack{{root_, rootIsLeaf_, 0}};
    std::uint32_t previousLeaf = kNone;
    while (!stack.empty()) {
        const Frame f = stack.back();
        stack.pop_back();
        if (f.isLeaf) {
            const Leaf& l = leaves_[f.node];
            if (f.depth != height_) return "leaves at different depths";
            if (l.size == 0 || l.size > kLeafCapacity) return "leaf size out of range";
            if (l.prev != previousLeaf) return "leaf chain: wrong prev";
            if (previousLeaf != kNone && leaves_[previousLeaf].next != f.node)
                return "leaf chain: wrong next";
            previousLeaf = f.node;
            for (std::uint32_t i = 0; i < l.size; ++i) {
                if (l.id[i] >= leafOf_.size() || leafOf_[l.id[i]] != f.node)
                    return "leafOf does not lead to the leaf";
                if (!table.isLive(l.id[i])) return "an id that is not a live word";
                order.push_back(l.id[i]);
                scores.push_back(l.score[i]);
            }
            continue;
        }
        const Inner& n = inners_[f.node];
        if (n.size == 0 || n.size > kInnerCapacity) return "inner size out of range";
        if (f.node == root_ && n.size < 2) return "a root with one child";
        if (!inOrder(n.order, n.size,
                     [&n](std::uint32_t a, std::uint32_t b) { return ahead(n.best, a, b); }))
            return "children out of score order";
        for (std::uint32_t i = n.size; i-- > 0;) {
            const std::uint32_t child = n.child[i];
            const std::uint32_t parent = n.leaves ? leaves_[child].parent : inners_[child].parent;
            if (parent != f.node) return "wrong parent";
            const Summary s = summarize(child, n.leaves);
            if (s.count != n.count[i]) return "stale count";
            if (s.best != n.best[i]) return "stale best score";
            if (s.firstId != n.firstId[i]) return "stale first word";
            if (n.head[i] != headOf(table.word(s.firstId))) return "stale head";
            stack.push_back({child, n.leaves, f.depth + 1});
        }
    }
    if (leaves_[previousLeaf].next != kNone) return "leaf chain runs past the last leaf";
    if (order.size() != size_) return "size differs from the words in the leaves";
    if (order.size() != table.size()) return "the table holds other words";
    for (std::size_t i = 1; i < order.size(); ++i) {
        if (table.word(order[i - 1]).compare(table.word(order[i])) >= 0)
            return "words out of byte order";
    }
    return "";
}

}  // namespace rorirer
