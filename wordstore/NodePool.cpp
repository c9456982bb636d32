// The node pool: chunks of page-aligned slots, a free list, and the hand-back
// of a deleted node's slot.
#include "wordstore/internal/NodePool.h"

#include <cstdint>
#include <cstring>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace rorirer {

namespace {

constexpr std::align_val_t kPageAlignment{NodePool::kPage};

// Every page of a new chunk is written at once below (its header names the
// pool). Where the allocator hands out fresh pages, faulting them in one
// call costs far less than a fault per page, most of all in a virtual
// machine. Pages already there make it a cheap no-op; a kernel that does
// not know the request leaves the pages to fault in as before.
void prefault([[maybe_unused]] void* chunk, [[maybe_unused]] std::size_t bytes) noexcept {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    constexpr std::size_t kWorthACall = 16 * NodePool::kPage;
    if (bytes >= kWorthACall) madvise(chunk, bytes, MADV_POPULATE_WRITE);
#endif
}

}  // namespace

void PooledNode::operator delete(void* slot) noexcept {
    // Chunks are page-aligned and every page starts with its pool's address.
    const auto offset = reinterpret_cast<std::uintptr_t>(slot) & (NodePool::kPage - 1);
    void* page = static_cast<char*>(slot) - offset;
    (*static_cast<NodePool**>(page))->release(slot);
}

RootMarker::~RootMarker() {
    if (pool != nullptr) pool->orphan();
}

void NodePool::grow(std::size_t count, unsigned tier) {
    // The tiers the chain reaches that lack room of their own, then the deep
    // tier if the slots any node may take are too few.
    unsigned tiers[kDeep + 1];
    std::size_t sizes[kDeep + 1];
    unsigned wanted = 0;
    if (lacksTierRoom(count, tier)) {
        for (unsigned t = tier; t < kDeep && t - tier < count; ++t) {
            if (tails_[t].left >= 2) continue;
            tiers[wanted] = t;
            sizes[wanted] = chunkPages(t, 1);
            ++wanted;
        }
    }
    const std::size_t spare = freeCount_ + tails_[kDeep].left;
    if (count > spare) {
        tiers[wanted] = kDeep;
        sizes[wanted] = chunkPages(kDeep, (count - spare + kSlotsPerPage - 1) / kSlotsPerPage);
        if (sizes[wanted] > SIZE_MAX / kPage) throw std::bad_alloc();
        ++wanted;
    }
    if (wanted == 0) return;

    // Every chunk is allocated before any is used, so a failure leaves the
    // pool as it was; everything after the allocations cannot fail.
    void* memory[kDeep + 1];
    unsigned made = 0;
    try {
        for (; made < wanted; ++made) {
            memory[made] = ::operator new(sizes[made] * kPage, kPageAlignment);
        }
    } catch (...) {
        while (made > 0) {
            --made;
            ::operator delete(memory[made], kPageAlignment);
        }
        throw;
    }
    for (unsigned i = 0; i < wanted; ++i) {
        prefault(memory[i], sizes[i] * kPage);
        adopt(memory[i], sizes[i], tiers[i]);
    }
}

std::size_t NodePool::chunkPages(unsigned tier, std::size_t needed) const noexcept {
    std::size_t pages = tails_[tier].pages / kGrowthDivisor;
    if (pages < 1) pages = 1;
    if (pages > kMaxChunkPages) pages = kMaxChunkPages;
    return pages > needed ? pages : needed;
}

void NodePool::adopt(void* memory, std::size_t pages, unsigned tier) noexcept {
    Tail& tail = tails_[tier];
    // What is left of the tier's newest chunk joins the free list, so that
    // only the chunks added now have slots nobody has written. They go on it
    // last first, so that they are taken in address order.
    if (tail.left != 0) {
        char* slot = reinterpret_cast<char*>(tail.chunk) + tail.chunk->pages * kPage;
        for (; tail.left != 0; --tail.left) {
            slot -= kSlot;
            if ((reinterpret_cast<std::uintptr_t>(slot) & (kPage - 1)) == 0) slot -= kSlot;
            auto* free = reinterpret_cast<FreeSlot*>(slot);
            free->zero = nullptr;
            free->next = free_;
            free_ = free;
            ++freeCount_;
        }
    }

    char* base = static_cast<char*>(memory);
    auto* first = reinterpret_cast<PageHeader*>(base);
    first->nextChunk = chunks_;
    first->pages = pages;
    chunks_ = first;
    for (std::size_t page = 0; page < pages; ++page) {
        auto* header = reinterpret_cast<PageHeader*>(base + page * kPage);
        header->pool = this;
        header->tier = tier;
    }
    // Fresh slots are taken in address order, so the nodes of a new word's
    // chain, made one after another, lie next to each other.
    tail.fresh = base + kSlot;
    tail.left = pages * kSlotsPerPage;
    tail.chunk = first;
    tail.pages += pages;
    pages_ += pages;
}

void NodePool::release(void* slot) noexcept {
    auto* free = static_cast<FreeSlot*>(slot);
    free->zero = nullptr;
    free->next = free_;
    free_ = free;
    ++freeCount_;
    if (--live_ != 0) return;
    // The last node is gone: the memory goes back, and the pool with it when
    // no root marker holds it.
    releaseChunks();
    if (orphaned_) delete this;
}

void NodePool::orphan() noexcept {
    orphaned_ = true;
    if (live_ == 0) {
        releaseChunks();
        delete this;
    }
}

namespace {

// Adds and takes away addresses, mixed so that different multisets of
// addresses give different sums but by a coincidence of about 2^-64. The mix
// (SplitMix64's finalizer) is a bijection that keeps 0 at 0, so a null
// pointer weighs nothing and needs no test.
struct Fingerprint {
    std::uint64_t sum = 0;

    void add(const void* node) noexcept { sum += mix(address(node)); }
    void remove(const void* node) noexcept { sum -= mix(address(node)); }

    static std::uint64_t address(const void* node) noexcept {
        return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(node));
    }
    static std::uint64_t mix(std::uint64_t x) noexcept {
        x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9u;
        x = (x ^ (x >> 27)) * 0x94D049BB133111EBu;
        return x ^ (x >> 31);
    }
};

}  // namespace

template <typename Visit>
void NodePool::forEachLive(Visit visit) const noexcept {
    for (PageHeader* chunk = chunks_; chunk != nullptr; chunk = chunk->nextChunk) {
        char* base = reinterpret_cast<char*>(chunk);
        // A tier's newest chunk is written only up to its fresh tail.
        const char* end = base + chunk->pages * kPage;
        for (const Tail& tail : tails_) {
            if (tail.chunk == chunk && tail.left != 0) end = tail.fresh;
        }
        for (std::size_t page = 0; page < chunk->pages; ++page) {
            char* start = base + page * kPage;
            for (std::size_t slot = 1; slot <= kSlotsPerPage; ++slot) {
                char* at = start + slot * kSlot;
                if (at >= end) break;
                // A free slot's first word is 0; a node's is its virtual table.
                void* first;
                std::memcpy(&first, at, sizeof first);
                if (first != nullptr) visit(std::launder(reinterpret_cast<LinkedTrieNode*>(at)));
            }
        }
    }
}

bool NodePool::holdsExactly(const LinkedTrieNode* root) const noexcept {
    Fingerprint balance;
    balance.remove(root->firstChild);
    balance.remove(root->nextSibling);
    forEachLive([&balance](const LinkedTrieNode* node) {
        balance.add(node);
        balance.remove(node->firstChild);
        balance.remove(node->nextSibling);
    });
    return balance.sum == 0;
}

void NodePool::destroyAll() noexcept {
    live_ = 0;
    releaseChunks();
}

void NodePool::releaseChunks() noexcept {
    while (chunks_ != nullptr) {
        PageHeader* next = chunks_->nextChunk;
        ::operator delete(static_cast<void*>(chunks_), kPageAlignment);
        chunks_ = next;
    }
    free_ = nullptr;
    freeCount_ = 0;
    for (Tail& tail : tails_) tail = Tail();
    pages_ = 0;
}

void NodeMaker::makePool(std::size_t count) {
    // If its first chunk cannot be had, the store is left without a pool, as
    // it was.
    auto* pool = new NodePool();
    try {
        pool->reserve(count);
    } catch (...) {
        delete pool;
        throw;
    }
    marker_->pool = pool;
}

}  // namespace rorirer
