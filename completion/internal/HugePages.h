// Large arrays filled all at once (a store read from an image, a new rank
// index) asked to be backed by transparent huge pages where Linux offers
// them: one page fault per 2 MiB instead of one per 4 KiB page, which is
// most of the cost of fresh memory, and fewer TLB misses when walked. Only
// a hint: elsewhere, or when the kernel declines, nothing changes.
#ifndef RORIRER_COMPLETION_INTERNAL_HUGEPAGES_H
#define RORIRER_COMPLETION_INTERNAL_HUGEPAGES_H

#include <cstddef>
#include <vector>

namespace rorirer {

// Advises the whole 2 MiB pages inside [data, data + bytes), before they are
// first touched.
void adviseHugePages(void* data, std::size_t bytes) noexcept;

// Reserves room for `count` elements and advises it. Throws std::bad_alloc.
template <typename T>
void reserveHuge(std::vector<T>& v, std::size_t count) {
    v.reserve(count);
    adviseHugePages(v.data(), v.capacity() * sizeof(T));
}

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_HUGEPAGES_H
