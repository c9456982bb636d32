// Byte order for many words at once: an MSD radix sort, which looks at each
// byte of a word about once, where comparison sorts compare shared prefixes
// over and over. Its stack of buckets is its own.
#ifndef RORIRER_COMPLETION_INTERNAL_RADIXSORT_H
#define RORIRER_COMPLETION_INTERNAL_RADIXSORT_H

#include <cstdint>
#include <string_view>
#include <vector>

namespace rorirer {

struct SortItem {
    const char* data;
    std::uint32_t length;
    std::uint32_t index;  // the caller's
};

// Sorts by the bytes of each item, compared unsigned, a word before its
// continuations. Items with equal bytes keep no particular order.
void sortByBytes(std::vector<SortItem>& items);

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_RADIXSORT_H
