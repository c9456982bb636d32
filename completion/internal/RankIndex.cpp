#include "completion/internal/RankIndex.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "completion/internal/WordHead.h"
#include "completion/internal/WordTable.h"

namespace rorirer {
namespace {

constexpr std::uint32_t kHalfLeaf = RankIndex::kLeafCapacity / 2;
constexpr std::uint32_t kHalfInner = RankIndex::kInnerCapacity / 2;

// Node vectors grow by an eighth: a store loaded in bulk has its leaves full
// and exactly sized, and one later insertion must not cost half as much
// memory again.
template <typename T>
void reserveNodes(std::vector<T>& v, std::size_t more) {
    const std::size_t needed = v.size() + more;
    if (needed <= v.capacity()) return;
    v.reserve(std::max(needed, v.capacity() + v.capacity() / 8 + 4));
}

// An inner node's order as its children move: room for a new child at
// `at`, put last until repositioned; a child's removal; the two halves of a
// split, the left in place.
void openOrder(std::uint8_t* order, std::uint32_t size, std::uint32_t at) noexcept {
    for (std::uint32_t i = 0; i < size; ++i)
        if (order[i] >= at) ++order[i];
    order[size] = static_cast<std::uint8_t>(at);
}

void closeOrder(std::uint8_t* order, std::uint32_t size, std::uint32_t at) noexcept {
    std::uint32_t kept = 0;
    for (std::uint32_t i = 0; i < size; ++i) {
        if (order[i] == at) continue;
        order[kept++] = static_cast<std::uint8_t>(order[i] > at ? order[i] - 1 : order[i]);
    }
}

// Filtering keeps each half in order: moving a half's entries by the same
// amount keeps their ties in byte order.
void splitOrder(std::uint8_t* left, std::uint8_t* right, std::uint32_t size,
                std::uint32_t half) noexcept {
    std::uint32_t l = 0;
    std::uint32_t r = 0;
    for (std::uint32_t i = 0; i < size; ++i) {
        const std::uint8_t e = left[i];
        if (e < half) {
            left[l++] = e;
        } else {
            right[r++] = static_cast<std::uint8_t>(e - half);
        }
    }
}

template <typename T>
void reserveMore(std::vector<T>& v, std::size_t needed) {
    if (needed <= v.capacity()) return;
    v.reserve(std::max(needed, v.capacity() + v.capacity() / 2));
}

}  // namespace

void RankIndex::reposition(std::uint8_t* order, std::uint32_t size, const std::uint64_t* scores,
                           std::uint32_t entry) noexcept {
    auto at = static_cast<std::uint32_t>(
        static_cast<const std::uint8_t*>(std::memchr(order, static_cast<int>(entry), size)) -
        order);
    for (; at > 0 && ahead(scores, entry, order[at - 1]); --at) order[at] = order[at - 1];
    for (; at + 1 < size && ahead(scores, order[at + 1], entry); ++at) order[at] = order[at + 1];
    order[at] = static_cast<std::uint8_t>(entry);
}

RankIndex::Summary RankIndex::summarize(std::uint32_t node, bool isLeaf) const noexcept {
    Summary s{0, 0, kNone};
    if (isLeaf) {
        const Leaf& l = leaves_[node];
        s.count = l.size;
        for (std::uint32_t i = 0; i < l.size; ++i) s.best = std::max(s.best, l.score[i]);
        if (l.size > 0) s.firstId = l.id[0];
    } else {
        const Inner& n = inners_[node];
        for (std::uint32_t i = 0; i < n.size; ++i) {
            s.count += n.count[i];
            s.best = std::max(s.best, n.best[i]);
        }
        if (n.size > 0) s.firstId = n.firstId[0];
    }
    return s;
}

std::uint32_t RankIndex::slotInParent(std::uint32_t parent, std::uint32_t node) const noexcept {
    const Inner& p = inners_[parent];
    std::uint32_t slot = 0;
    while (slot < p.size && p.child[slot] != node) ++slot;
    return slot;
}

void RankIndex::setEntry(std::uint32_t parent, std::uint32_t slot, std::uint32_t node, bool isLeaf,
                         const WordTable& table) noexcept {
    const Summary s = summarize(node, isLeaf);
    Inner& p = inners_[parent];
    p.child[slot] = node;
    p.count[slot] = s.count;
    p.best[slot] = s.best;
    p.firstId[slot] = s.firstId;
    p.head[slot] = s.firstId == kNone ? 0 : headOf(table.word(s.firstId));
    reposition(p.order, p.size, p.best, slot);
    if (isLeaf) {
        leaves_[node].parent = parent;
    } else {
        inners_[node].parent = parent;
    }
}

void RankIndex::refreshUpward(std::uint32_t node, bool isLeaf, const WordTable* table) noexcept {
    for (;;) {
        const std::uint32_t parent = isLeaf ? leaves_[node].parent : inners_[node].parent;
        if (parent == kNone) return;
        const std::uint32_t slot = slotInParent(parent, node);
        if (table != nullptr) {
            setEntry(parent, slot, node, isLeaf, *table);
        } else {
            // Only scores changed: counts and first words stand, and where
            // a best stands, so does every best above it.
            Inner& p = inners_[parent];
            const std::uint64_t best = summarize(node, isLeaf).best;
            if (best == p.best[slot]) return;
            p.best[slot] = best;
            reposition(p.order, p.size, p.best, slot);
        }
        node = parent;
        isLeaf = false;
    }
}

std::uint32_t RankIndex::takeLeaf() noexcept {
    std::uint32_t index;
    if (freeLeaves_ != kNone) {
        index = freeLeaves_;
        freeLeaves_ = leaves_[index].next;
        --freeLeafCount_;
    } else {
        index = static_cast<std::uint32_t>(leaves_.size());
        leaves_.emplace_back();
    }
    Leaf& l = leaves_[index];
    l.parent = l.prev = l.next = kNone;
    l.size = 0;
    return index;
}

std::uint32_t RankIndex::takeInner() noexcept {
    std::uint32_t index;
    if (freeInners_ != kNone) {
        index = freeInners_;
        freeInners_ = inners_[index].parent;
        --freeInnerCount_;
    } else {
        index = static_cast<std::uint32_t>(inners_.size());
        inners_.emplace_back();
    }
    Inner& n = inners_[index];
    n.parent = kNone;
    n.size = 0;
    return index;
}

void RankIndex::freeLeaf(std::uint32_t index) noexcept {
    Leaf& l = leaves_[index];
    l.size = 0;
    l.parent = l.prev = kNone;
    l.next = freeLeaves_;
    freeLeaves_ = index;
    ++freeLeafCount_;
}

void RankIndex::freeInner(std::uint32_t index) noexcept {
    Inner& n = inners_[index];
    n.size = 0;
    n.parent = freeInners_;
    freeInners_ = index;
    ++freeInnerCount_;
}

void RankIndex::reserveInsert(std::uint32_t idLimit) {
    if (leafOf_.size() < idLimit) {
        reserveMore(leafOf_, idLimit);
        leafOf_.resize(idLimit, kNone);
    }
    // A split takes one leaf and an inner node on every level, and a new
    // root one more.
    if (freeLeafCount_ < 1) reserveNodes(leaves_, 1);
    if (freeInnerCount_ < height_ + 1) reserveNodes(inners_, height_ + 1 - freeInnerCount_);
}

void RankIndex::insert(std::uint32_t id, std::uint64_t score, const WordTable& table) noexcept {
    ++size_;
    if (root_ == kNone) {
        const std::uint32_t index = takeLeaf();
        Leaf& l = leaves_[index];
        l.size = 1;
        l.score[0] = score;
        l.id[0] = id;
        leafOf_[id] = index;
        root_ = index;
        rootIsLeaf_ = true;
        height_ = 0;
        return;
    }
    const Place found = lowerBoundFrom(root_, rootIsLeaf_, 0, table.word(id), table);
    const std::uint32_t target = found.leaf;
    const std::uint32_t position = found.index;
    const auto place = [this, id, score](std::uint32_t leafIndex, std::uint32_t at) {
        Leaf& l = leaves_[leafIndex];
        for (std::uint32_t i = l.size; i > at; --i) {
            l.score[i] = l.score[i - 1];
            l.id[i] = l.id[i - 1];
        }
        l.score[at] = score;
        l.id[at] = id;
        ++l.size;
        leafOf_[id] = leafIndex;
    };
    if (leaves_[target].size < kLeafCapacity) {
        place(target, position);
        refreshUpward(target, true, &table);
        return;
    }

    const std::uint32_t right = takeLeaf();
    Leaf& l = leaves_[target];
    Leaf& r = leaves_[right];
    r.size = kLeafCapacity - kHalfLeaf;
    std::memcpy(r.score, l.score + kHalfLeaf, r.size * sizeof(std::uint64_t));
    std::memcpy(r.id, l.id + kHalfLeaf, r.size * sizeof(std::uint32_t));
    l.size = kHalfLeaf;
    for (std::uint32_t i = 0; i < r.size; ++i) leafOf_[r.id[i]] = right;
    r.prev = target;
    r.next = l.next;
    if (l.next != kNone) leaves_[l.next].prev = right;
    l.next = right;
    if (position <= kHalfLeaf) {
        place(target, position);
    } else {
        place(right, position - kHalfLeaf);
    }

    const std::uint32_t parent = leaves_[target].parent;
    if (parent == kNone) {
        const std::uint32_t top = takeInner();
        inners_[top].leaves = true;
        inners_[top].size = 2;
        inners_[top].order[0] = 0;
        inners_[top].order[1] = 1;
        setEntry(top, 0, target, true, table);
        setEntry(top, 1, right, true, table);
        root_ = top;
        rootIsLeaf_ = false;
        height_ = 1;
        return;
    }
    insertChild(parent, slotInParent(parent, target) + 1, right, true, table);
    refreshUpward(target, true, &table);
    refreshUpward(right, true, &table);
}

void RankIndex::insertChild(std::uint32_t parent, std::uint32_t slot, std::uint32_t node,
                            bool isLeaf, const WordTable& table) noexcept {
    const auto put = [this, &table](std::uint32_t into, std::uint32_t at, std::uint32_t child,
                                    bool childIsLeaf) {
        Inner& p = inners_[into];
        for (std::uint32_t i = p.size; i > at; --i) {
            p.child[i] = p.child[i - 1];
            p.count[i] = p.count[i - 1];
            p.best[i] = p.best[i - 1];
            p.head[i] = p.head[i - 1];
            p.firstId[i] = p.firstId[i - 1];
        }
        openOrder(p.order, p.size, at);
        ++p.size;
        setEntry(into, at, child, childIsLeaf, table);
    };
    for (;;) {
        if (inners_[parent].size < kInnerCapacity) {
            put(parent, slot, node, isLeaf);
            return;
        }
        const std::uint32_t sibling = takeInner();
        Inner& p = inners_[parent];
        Inner& q = inners_[sibling];
        q.leaves = p.leaves;
        q.size = kInnerCapacity - kHalfInner;
        const auto moved = static_cast<std::size_t>(q.size);
        std::memcpy(q.child, p.child + kHalfInner, moved * sizeof(std::uint32_t));
        std::memcpy(q.count, p.count + kHalfInner, moved * sizeof(std::uint32_t));
        std::memcpy(q.best, p.best + kHalfInner, moved * sizeof(std::uint64_t));
        std::memcpy(q.head, p.head + kHalfInner, moved * sizeof(std::uint64_t));
        std::memcpy(q.firstId, p.firstId + kHalfInner, moved * sizeof(std::uint32_t));
        splitOrder(p.order, q.order, kInnerCapacity, kHalfInner);
        p.size = kHalfInner;
        for (std::uint32_t i = 0; i < q.size; ++i) {
            if (q.leaves) {
                leaves_[q.child[i]].parent = sibling;
            } else {
                inners_[q.child[i]].parent = sibling;
            }
        }
        if (slot <= kHalfInner) {
            put(parent, slot, node, isLeaf);
        } else {
            put(sibling, slot - kHalfInner, node, isLeaf);
        }
        const std::uint32_t grandparent = inners_[parent].parent;
        if (grandparent == kNone) {
            const std::uint32_t top = takeInner();
            inners_[top].leaves = false;
            inners_[top].size = 2;
            inners_[top].order[0] = 0;
            inners_[top].order[1] = 1;
            setEntry(top, 0, parent, false, table);
            setEntry(top, 1, sibling, false, table);
            root_ = top;
            ++height_;
            return;
        }
        const std::uint32_t at = slotInParent(grandparent, parent);
        setEntry(grandparent, at, parent, false, table);
        node = sibling;
        isLeaf = false;
        slot = at + 1;
        parent = grandparent;
    }
}

void RankIndex::removeChild(std::uint32_t parent, std::uint32_t slot,
                            const WordTable& table) noexcept {
    for (;;) {
        Inner& p = inners_[parent];
        for (std::uint32_t i = slot; i + 1 < p.size; ++i) {
            p.child[i] = p.child[i + 1];
            p.count[i] = p.count[i + 1];
            p.best[i] = p.best[i + 1];
            p.head[i] = p.head[i + 1];
            p.firstId[i] = p.firstId[i + 1];
        }
        closeOrder(p.order, p.size, slot);
        --p.size;
        if (p.size > 0) {
            refreshUpward(parent, false, &table);
            return;
        }
        const std::uint32_t grandparent = p.parent;
        if (grandparent == kNone) {
            freeInner(parent);
            root_ = kNone;
            rootIsLeaf_ = true;
            height_ = 0;
            return;
        }
        slot = slotInParent(grandparent, parent);
        freeInner(parent);
        parent = grandparent;
    }
}

void RankIndex::collapseRoot() noexcept {
    while (root_ != kNone && !rootIsLeaf_ && inners_[root_].size == 1) {
        const std::uint32_t child = inners_[root_].child[0];
        const bool leaves = inners_[root_].leaves;
        freeInner(root_);
        root_ = child;
        rootIsLeaf_ = leaves;
        if (leaves) {
            leaves_[child].parent = kNone;
        } else {
            inners_[child].parent = kNone;
        }
        --height_;
    }
}

void RankIndex::erase(std::uint32_t id, const WordTable& table) noexcept {
    const std::uint32_t target = leafOf_[id];
    leafOf_[id] = kNone;
    --size_;
    {
        Leaf& l = leaves_[target];
        std::uint32_t at = 0;
        while (l.id[at] != id) ++at;
        for (std::uint32_t i = at; i + 1 < l.size; ++i) {
            l.score[i] = l.score[i + 1];
            l.id[i] = l.id[i + 1];
        }
        --l.size;
    }
    const Leaf& l = leaves_[target];
    const std::uint32_t parent = l.parent;
    const auto unlink = [this](std::uint32_t index) {
        const Leaf& gone = leaves_[index];
        if (gone.prev != kNone) leaves_[gone.prev].next = gone.next;
        if (gone.next != kNone) leaves_[gone.next].prev = gone.prev;
    };
    if (l.size == 0) {
        unlink(target);
        if (parent == kNone) {
            freeLeaf(target);
            root_ = kNone;
            rootIsLeaf_ = true;
            height_ = 0;
            return;
        }
        const std::uint32_t slot = slotInParent(parent, target);
        freeLeaf(target);
        removeChild(parent, slot, table);
        collapseRoot();
        return;
    }
    if (l.size < kLeafCapacity / 4 && parent != kNone) {
        // Merge with a neighbour under the same parent when the two fit in
        // three quarters of a leaf, so removals do not leave the tree sparse.
        const std::uint32_t slot = slotInParent(parent, target);
        const Inner& p = inners_[parent];
        const auto mergeInto = [this, &unlink](std::uint32_t into, std::uint32_t from) {
            Leaf& a = leaves_[into];
            const Leaf& b = leaves_[from];
            for (std::uint32_t i = 0; i < b.size; ++i) {
                a.score[a.size + i] = b.score[i];
                a.id[a.size + i] = b.id[i];
                leafOf_[b.id[i]] = into;
            }
            a.size += b.size;
            unlink(from);
        };
        constexpr std::uint32_t kMergedMost = kLeafCapacity * 3 / 4;
        if (slot + 1 < p.size && l.size + leaves_[p.child[slot + 1]].size <= kMergedMost) {
            const std::uint32_t from = p.child[slot + 1];
            mergeInto(target, from);
            freeLeaf(from);
            removeChild(parent, slot + 1, table);
            refreshUpward(target, true, &table);
            collapseRoot();
            return;
        }
        if (slot > 0 && l.size + leaves_[p.child[slot - 1]].size <= kMergedMost) {
            const std::uint32_t into = p.child[slot - 1];
            mergeInto(into, target);
            freeLeaf(target);
            removeChild(parent, slot, table);
            refreshUpward(into, true, &table);
            collapseRoot();
            return;
        }
    }
    refreshUpward(target, true, &table);
}

void RankIndex::setScore(std::uint32_t id, std::uint64_t score) noexcept {
    const std::uint32_t target = leafOf_[id];
    Leaf& l = leaves_[target];
    for (std::uint32_t i = 0; i < l.size; ++i) {
        if (l.id[i] == id) {
            l.score[i] = score;
            break;
        }
    }
    refreshUpward(target, true, nullptr);
}

void RankIndex::clear() noexcept {
    RankIndex empty;
    *this = std::move(empty);
}

}  // namespace rorirer
