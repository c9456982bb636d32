#include "FailingAllocator.h"

#include <cstdlib>
#include <new>

long g_failAfter = -1;
bool g_failOnce = false;
long g_live = 0;

void stopFailingAllocations() noexcept {
    g_failAfter = -1;
    g_failOnce = false;
}

namespace {

void failIfTold() {
    if (g_failAfter == 0) {
        if (g_failOnce) g_failAfter = -1;
        throw std::bad_alloc();
    }
    if (g_failAfter > 0) --g_failAfter;
}

void* allocate(std::size_t size) {
    failIfTold();
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    ++g_live;
    return p;
}

// The aligned forms too: the store's node pool takes its chunks through them.
void* allocateAligned(std::size_t size, std::align_val_t alignment) {
    failIfTold();
    const auto align = static_cast<std::size_t>(alignment);
    void* p = std::aligned_alloc(align, (size + align - 1) / align * align);
    if (p == nullptr) throw std::bad_alloc();
    ++g_live;
    return p;
}

void release(void* p) noexcept {
    if (p == nullptr) return;
    --g_live;
    std::free(p);
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, std::align_val_t a) { return allocateAligned(size, a); }
void* operator new[](std::size_t size, std::align_val_t a) { return allocateAligned(size, a); }
void operator delete(void* p, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { release(p); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
