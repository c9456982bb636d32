#include "HeapUse.h"

#include <cstddef>  // defines __GLIBC__ where it applies

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace rorirer {

long long heapBytesInUse() noexcept {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
    // Counts the allocator's own per-block overhead, which is what a node
    // really costs, unlike sizeof.
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long long>(info.uordblks + info.hblkhd);
#else
    return -1;
#endif
}

}  // namespace rorirer
