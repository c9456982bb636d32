// Where the store's nodes get their memory. Internal to the library.
//
// Each store keeps a pool of fixed-size slots carved from page-aligned
// chunks. A node is still an object of its own: it is built in a slot with
// placement new and destroyed through its virtual destructor, by
// killTrieNodes or by anyone who deletes it. Its memory then goes back to the
// pool: every page of a chunk starts with a header naming the pool, so a
// slot's page, and with it its pool, follows from the slot's address.
//
// Nodes near the root are read by nearly every walk, and a store built from
// words in random order makes them throughout its life, each among the deep
// nodes of the word that brought it. Once a pool is past its first chunks,
// the nodes of each of the lists nearest the root go to chunks of their own,
// one set per depth (a tier), so that they fill few pages instead of one page
// each; deeper nodes share the last tier. Which tier a node went to is its
// page's business only: it never decides anything but where the next node
// goes.
//
// The pool hangs off the root marker, which the store allocates as a
// RootMarker: LinkedTrie's own members and layout stay as they are. The pool
// outlives whichever of the root marker and its nodes goes last, so nodes
// can be freed in any order, by killTrieNodes on any sublist, before or
// after the root marker.
#ifndef RORIRER_WORDSTORE_INTERNAL_NODEPOOL_H
#define RORIRER_WORDSTORE_INTERNAL_NODEPOOL_H

#include <cstddef>
#include <cstdint>
#include <new>
#include <typeinfo>

#include "wordstore/LinkedTrieNode.h"

namespace rorirer {

class NodePool;

// A node whose memory is a slot of a pool. It adds no field, so it has the
// size and layout of LinkedTrieNode.
class PooledNode final : public LinkedTrieNode {
public:
    using LinkedTrieNode::LinkedTrieNode;
    // Only a pool makes them, in one of its slots.
    static void* operator new(std::size_t, void* slot) noexcept { return slot; }
    // Deleting a node (through its virtual destructor, as killTrieNodes does)
    // hands its slot back to the pool. Never allocates, never throws.
    static void operator delete(void* slot) noexcept;
};

// The root marker of a store: an end marker like any other, plus the store's
// pool. Only the store creates one; a root marker without a pool yet gets one
// at the first insertion.
class RootMarker final : public LinkedTrieNode {
public:
    RootMarker() noexcept = default;
    explicit RootMarker(NodePool* taken) noexcept : pool(taken) {}
    // Lets go of the pool; the pool goes when its last node does.
    ~RootMarker() override;

    NodePool* pool = nullptr;
};

class NodePool {
public:
    static constexpr std::size_t kPage = 4096;
    static constexpr std::size_t kSlot = sizeof(PooledNode);
    // Tiers 0 to kDeep - 1 hold the nodes of the lists at that depth (the
    // top-level list is at depth 0); tier kDeep every deeper node.
    static constexpr unsigned kDeep = 4;

    NodePool() noexcept = default;
    NodePool(const NodePool&) = delete;
    NodePool& operator=(const NodePool&) = delete;

    // Makes sure the next `count` calls of make() cannot fail, and, for a
    // chain whose first node goes to tier `tier` and each next one a tier
    // deeper, that the tiers it reaches have room of their own. Throws
    // std::bad_alloc with nothing changed.
    void reserve(std::size_t count, unsigned tier = kDeep) {
        if (count <= freeCount_ + tails_[kDeep].left && !lacksTierRoom(count, tier)) return;
        grow(count, tier);
    }
    // A new node in a reserved slot: in its tier's own chunks while they have
    // room, else in a slot freed earlier, else wherever reserve() made room.
    PooledNode* make(std::uint32_t character, unsigned tier = kDeep) noexcept {
        void* slot;
        if (tier != kDeep && tails_[tier].left != 0) {
            slot = takeFresh(tails_[tier]);
        } else if (free_ != nullptr) {
            slot = free_;
            free_ = free_->next;
            --freeCount_;
        } else {
            slot = takeFresh(tails_[kDeep]);
        }
        ++live_;
        return new (slot) PooledNode(character);
    }
    // The tier whose chunk holds `node`, a node of this pool's.
    static unsigned tierOf(const LinkedTrieNode* node) noexcept { return pageOf(node)->tier; }
    // True when `node`, which must be a PooledNode, lies in this pool.
    bool holds(const LinkedTrieNode* node) const noexcept { return pageOf(node)->pool == this; }
    // Takes back the slot of a destroyed node. When the last node goes, the
    // chunks go too; when the root marker has let go as well, so does the pool.
    void release(void* slot) noexcept;
    // The root marker's end of the ownership.
    void orphan() noexcept;
    // True when the tree below `root` is made of exactly this pool's live
    // nodes: `root` (not a node of the pool) and every live node point only
    // at live nodes of the pool, and each of those is pointed at exactly
    // once. Read in one pass over the pool's memory in address order,
    // without following a pointer: the pointers' targets and the nodes'
    // addresses are compared as two multisets through a sum of hashes,
    // which a kept sublist, a node of the subclass's own, a node of another
    // store or a node pointed at twice all unbalance. The tree is assumed
    // free of cycles, as every walk of it does.
    bool holdsExactly(const LinkedTrieNode* root) const noexcept;
    // Ends every node in the pool and hands the chunks back, reading none of
    // them. For tearing down a whole tree: a walk down the tree would meet
    // the same nodes in random order. Every slot holds a PooledNode, which
    // adds nothing to LinkedTrieNode, whose destructor is defaulted: their
    // lives end with their memory, with nothing to call.
    void destroyAll() noexcept;

    std::size_t live() const noexcept { return live_; }

private:
    // A slot not holding a node. Its first word is 0 where a node's would be
    // its virtual table, so a sweep over a chunk tells free from used.
    struct FreeSlot {
        void* zero;
        FreeSlot* next;
    };
    struct PageHeader {
        NodePool* pool;
        PageHeader* nextChunk;  // first page of a chunk only
        std::size_t pages;      // first page of a chunk only
        unsigned tier;
    };
    static_assert(sizeof(PageHeader) <= kSlot, "a page header takes one slot");
    static_assert(sizeof(FreeSlot) <= kSlot, "a free slot fits a node's slot");
    // Slots tile a page exactly: stepping from slot to slot meets every page
    // boundary, where the next page's header is skipped.
    static_assert(kPage % kSlot == 0, "slots tile a page");
    static constexpr std::size_t kSlotsPerPage = kPage / kSlot - 1;
    static constexpr std::size_t kMaxChunkPages = 64;
    // A tier's next chunk adds at most this fraction of what the tier has
    // (and at least a page), so that unused tails stay a small part of the
    // pool at every size.
    static constexpr std::size_t kGrowthDivisor = 32;
    // Below this many pages in all, every node goes to the deep tier: a small
    // pool is compact anyway, and tiers of their own would multiply it.
    static constexpr std::size_t kTiersFrom = 64;

    // The never-used end of a tier's newest chunk.
    struct Tail {
        char* fresh = nullptr;
        std::size_t left = 0;
        PageHeader* chunk = nullptr;
        std::size_t pages = 0;  // in all the tier's chunks
    };

    static const PageHeader* pageOf(const LinkedTrieNode* node) noexcept {
        const auto offset = reinterpret_cast<std::uintptr_t>(node) & (kPage - 1);
        return reinterpret_cast<const PageHeader*>(reinterpret_cast<const char*>(node) - offset);
    }
    // The next never-used slot of a tier's newest chunk, skipping page
    // headers.
    static void* takeFresh(Tail& tail) noexcept {
        char* slot = tail.fresh;
        if (--tail.left != 0) {
            tail.fresh += kSlot;
            if ((reinterpret_cast<std::uintptr_t>(tail.fresh) & (kPage - 1)) == 0) {
                tail.fresh += kSlot;
            }
        }
        return slot;
    }
    // True when a chain of `count` nodes starting at `tier` reaches a tier
    // that should get a chunk of its own first: the pool has tiers, and no
    // freed slots, which are taken first all the same. A new end marker and
    // the chain's first node may both go to the first tier.
    bool lacksTierRoom(std::size_t count, unsigned tier) const noexcept {
        if (tier >= kDeep || pages_ < kTiersFrom || free_ != nullptr) return false;
        for (unsigned t = tier; t < kDeep && t - tier < count; ++t) {
            if (tails_[t].left < 2) return true;
        }
        return false;
    }
    // The rest of reserve(): the chunks it takes.
    void grow(std::size_t count, unsigned tier);
    // Pages for a tier's next chunk of at least `needed` pages.
    std::size_t chunkPages(unsigned tier, std::size_t needed) const noexcept;
    // Makes `memory`, of `pages` pages, the tier's newest chunk.
    void adopt(void* memory, std::size_t pages, unsigned tier) noexcept;
    void releaseChunks() noexcept;
    // Calls `visit` on every live node, in address order.
    template <typename Visit>
    void forEachLive(Visit visit) const noexcept;

    // Slots come from the free list (those of destroyed nodes) and from the
    // never-used tail of each tier's newest chunk. Only those tails are left
    // unwritten: every other chunk is wholly nodes or free-list slots, which
    // is what the sweep of holdsExactly() relies on. Any node may take a free
    // slot or one of the deep tier's tail, so reserve() makes sure that those
    // two suffice for a whole operation; a tier's own tail only decides
    // where a node goes.
    FreeSlot* free_ = nullptr;
    std::size_t freeCount_ = 0;
    Tail tails_[kDeep + 1];
    std::size_t live_ = 0;   // nodes in this pool's slots
    std::size_t pages_ = 0;  // in all chunks
    PageHeader* chunks_ = nullptr;
    bool orphaned_ = false;
};

// How many nodes the pool of the store headed by `root` holds: 0 for a root
// of a subclass's own, which has no pool. Unlike a store's node count, which
// a subclass may set to anything, this is memory the store really uses.
inline std::size_t pooledNodes(const LinkedTrieNode* root) noexcept {
    if (root == nullptr || typeid(*root) != typeid(RootMarker)) return 0;
    const NodePool* pool = static_cast<const RootMarker*>(root)->pool;
    return pool != nullptr ? pool->live() : 0;
}

// Makes the nodes of one operation of a store: from the pool of its root
// marker, or one by one from the heap when a subclass has put a root of its
// own in place.
class NodeMaker {
public:
    explicit NodeMaker(LinkedTrieNode* root) noexcept
        : marker_(root != nullptr && typeid(*root) == typeid(RootMarker)
                      ? static_cast<RootMarker*>(root)
                      : nullptr) {}

    // Makes sure the next `count` calls of make() cannot fail, where there is
    // a pool, with room in the tiers a chain starting at `tier` reaches.
    // Throws std::bad_alloc with nothing changed.
    void reserve(std::size_t count, unsigned tier = NodePool::kDeep) {
        if (marker_ != nullptr && marker_->pool != nullptr) {
            marker_->pool->reserve(count, tier);
        } else if (marker_ != nullptr) {
            makePool(count);
        }
    }
    // From the pool: cannot fail after reserve(). From the heap: may throw.
    LinkedTrieNode* make(std::uint32_t character, unsigned tier = NodePool::kDeep) {
        if (marker_ != nullptr) return marker_->pool->make(character, tier);
        return new LinkedTrieNode(character);
    }
    // The tier for a new node in the list that holds `node` (the root marker
    // heads the top-level list); the deep tier for a node of no pool of this
    // store's.
    unsigned tierOfList(const LinkedTrieNode* node) const noexcept {
        if (marker_ == nullptr || node == nullptr) return NodePool::kDeep;
        if (node == marker_) return 0;
        if (typeid(*node) != typeid(PooledNode)) return NodePool::kDeep;
        if (marker_->pool == nullptr || !marker_->pool->holds(node)) return NodePool::kDeep;
        return NodePool::tierOf(node);
    }

private:
    // A store's pool comes with its first node.
    void makePool(std::size_t count);

    RootMarker* marker_;
};

}  // namespace rorirer

#endif  // RORIRER_WORDSTORE_INTERNAL_NODEPOOL_H
