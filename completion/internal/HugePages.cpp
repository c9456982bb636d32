#include "completion/internal/HugePages.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace rorirer {

void adviseHugePages([[maybe_unused]] void* data, [[maybe_unused]] std::size_t bytes) noexcept {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHugePage = std::uintptr_t{1} << 21;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kHugePage - 1);
    // madvise takes an address made of the rounded integer: the pages it
    // names are within `data`'s own bytes.
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin),  // NOLINT(performance-no-int-to-ptr)
                  end - begin, MADV_HUGEPAGE);
#endif
}

}  // namespace rorirer
