// Where the store's nodes get their memory. Internal to the library.
//
// Each store keeps a pool of fixed-size slots carved from page-aligned
// chunks. A node is still an object of its own: it is built in a slot with
// placement new and destroyed through its virtual destructor, by
// killTrieNodes or by anyone who deletes it. Its memory then goes back to the
// pool: every page of a chunk starts with a header naming the pool, so a
// slot's page, and with it its pool, follows from the slot's address.
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

    NodePool() noexcept = default;
    NodePool(const NodePool&) = delete;
    NodePool& operator=(const NodePool&) = delete;

    // Makes sure the next `count` calls of make() cannot fail. Throws
    // std::bad_alloc with nothing changed.
    void reserve(std::size_t count);
    // A new node in a reserved slot.
    PooledNode* make(std::uint32_t character) noexcept {
        void* slot;
        if (free_ != nullptr) {
            slot = free_;
            free_ = free_->next;
        } else {
            slot = takeFresh();
        }
        --spare_;
        ++live_;
        return new (slot) PooledNode(character);
    }
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
    // Destroys every node in the pool, through its virtual destructor, in
    // address order, and hands the chunks back. For tearing down a whole
    // tree: a walk down the tree would meet the same nodes in random order.
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
    };
    static_assert(sizeof(PageHeader) <= kSlot, "a page header takes one slot");
    static_assert(sizeof(FreeSlot) <= kSlot, "a free slot fits a node's slot");
    // Slots tile a page exactly: stepping from slot to slot meets every page
    // boundary, where the next page's header is skipped.
    static_assert(kPage % kSlot == 0, "slots tile a page");
    static constexpr std::size_t kSlotsPerPage = kPage / kSlot - 1;
    static constexpr std::size_t kMaxChunkPages = 64;

    // The next never-used slot of the newest chunk, skipping page headers.
    void* takeFresh() noexcept {
        char* slot = fresh_;
        if (--freshLeft_ != 0) {
            fresh_ += kSlot;
            if ((reinterpret_cast<std::uintptr_t>(fresh_) & (kPage - 1)) == 0) fresh_ += kSlot;
        }
        return slot;
    }
    void releaseChunks() noexcept;
    // Calls `visit` on every live node, in address order.
    template <typename Visit>
    void forEachLive(Visit visit) const noexcept;

    // Slots come from the free list first (those of destroyed nodes), then
    // from the never-used tail of the newest chunk. Only that tail is left
    // unwritten: older chunks are wholly nodes or free-list slots, which is
    // what the sweep of destroyAll() relies on.
    FreeSlot* free_ = nullptr;
    char* fresh_ = nullptr;
    std::size_t freshLeft_ = 0;
    std::size_t spare_ = 0;  // slots on the free list and in the fresh tail
    std::size_t live_ = 0;   // nodes in this pool's slots
    PageHeader* chunks_ = nullptr;
    std::size_t nextPages_ = 1;
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
    // a pool. Throws std::bad_alloc with nothing changed.
    void reserve(std::size_t count);
    // From the pool: cannot fail after reserve(). From the heap: may throw.
    LinkedTrieNode* make(std::uint32_t character) {
        if (marker_ != nullptr) return marker_->pool->make(character);
        return new LinkedTrieNode(character);
    }

private:
    RootMarker* marker_;
};

}  // namespace rorirer

#endif  // RORIRER_WORDSTORE_INTERNAL_NODEPOOL_H
