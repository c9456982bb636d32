// The node pool: chunks of page-aligned slots, a free list, and the hand-back
// of a deleted node's slot.
#include "wordstore/NodePool.h"

#include <cstdint>
#include <cstring>

namespace rorirer {

namespace {

constexpr std::align_val_t kPageAlignment{NodePool::kPage};

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

void NodePool::reserve(std::size_t count) {
    if (count <= spare_) return;
    const std::size_t needed = (count - spare_ + kSlotsPerPage - 1) / kSlotsPerPage;
    const std::size_t pages = needed > nextPages_ ? needed : nextPages_;
    // The only allocation; everything after it cannot fail.
    void* memory = ::operator new(pages* kPage, kPageAlignment);
    char* base = static_cast<char*>(memory);
    auto* first = reinterpret_cast<PageHeader*>(base);
    first->nextChunk = chunks_;
    first->pages = pages;
    chunks_ = first;
    if (nextPages_ < kMaxChunkPages) nextPages_ *= 2;
    // Slots go on the free list last first, so nodes made one after another
    // (a new word's chain) take ascending addresses.
    for (std::size_t page = pages; page-- > 0;) {
        char* start = base + page * kPage;
        reinterpret_cast<PageHeader*>(start)->pool = this;
        for (std::size_t slot = kSlotsPerPage; slot > 0; --slot) {
            auto* free = reinterpret_cast<FreeSlot*>(start + slot * kSlot);
            free->zero = nullptr;
            free->next = free_;
            free_ = free;
        }
    }
    spare_ += pages * kSlotsPerPage;
}

void NodePool::release(void* slot) noexcept {
    auto* free = static_cast<FreeSlot*>(slot);
    free->zero = nullptr;
    free->next = free_;
    free_ = free;
    ++spare_;
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

void NodePool::destroyAll() noexcept {
    for (PageHeader* chunk = chunks_; chunk != nullptr; chunk = chunk->nextChunk) {
        char* base = reinterpret_cast<char*>(chunk);
        for (std::size_t page = 0; page < chunk->pages; ++page) {
            char* start = base + page * kPage;
            for (std::size_t slot = 1; slot <= kSlotsPerPage; ++slot) {
                void* at = start + slot * kSlot;
                // A free slot's first word is 0; a node's is its virtual table.
                void* first;
                std::memcpy(&first, at, sizeof first);
                if (first != nullptr)
                    std::launder(static_cast<LinkedTrieNode*>(at))->~LinkedTrieNode();
            }
        }
    }
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
    spare_ = 0;
    nextPages_ = 1;
}

void NodeMaker::reserve(std::size_t count) {
    if (marker_ == nullptr) return;
    if (marker_->pool != nullptr) {
        marker_->pool->reserve(count);
        return;
    }
    // A store's pool comes with its first node; if its first chunk cannot
    // be had, the store is left without one, as it was.
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
