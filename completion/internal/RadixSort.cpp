#include "completion/internal/RadixSort.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace rorirer {
namespace {

// Buckets this small are sorted by insertion, comparing from `depth` on.
constexpr std::size_t kSmallBucket = 64;

bool lessFrom(const SortItem& a, const SortItem& b, std::uint32_t depth) noexcept {
    const std::uint32_t common = std::min(a.length, b.length);
    if (depth < common) {
        const int order = std::memcmp(a.data + depth, b.data + depth, common - depth);
        if (order != 0) return order < 0;
    }
    return a.length < b.length;
}

void insertionSort(SortItem* begin, const SortItem* end, std::uint32_t depth) noexcept {
    for (SortItem* i = begin + 1; i < end; ++i) {
        const SortItem item = *i;
        SortItem* j = i;
        while (j > begin && lessFrom(item, *(j - 1), depth)) {
            *j = *(j - 1);
            --j;
        }
        *j = item;
    }
}

}  // namespace

void sortByBytes(std::vector<SortItem>& items) {
    if (items.size() < 2) return;
    std::vector<SortItem> spare(items.size());
    struct Bucket {
        std::size_t begin;
        std::size_t end;
        std::uint32_t depth;
    };
    std::vector<Bucket> stack{{0, items.size(), 0}};
    std::vector<std::uint8_t> keys(items.size());
    while (!stack.empty()) {
        const Bucket bucket = stack.back();
        stack.pop_back();
        SortItem* const base = items.data();
        if (bucket.end - bucket.begin <= kSmallBucket) {
            insertionSort(base + bucket.begin, base + bucket.end, bucket.depth);
            continue;
        }
        // Slot 0 for the words that end here, 1 + byte for the others.
        std::size_t counts[257] = {};
        for (std::size_t i = bucket.begin; i < bucket.end; ++i) {
            const SortItem& item = base[i];
            const unsigned key = item.length > bucket.depth
                                     ? 1u + static_cast<unsigned char>(item.data[bucket.depth])
                                     : 0u;
            keys[i] = static_cast<std::uint8_t>(key == 0 ? 0 : key - 1);
            ++counts[key];
            // keys[] cannot tell an ended word from byte 0x00, which no
            // stored word holds; the length tells them apart below.
        }
        std::size_t starts[257];
        std::size_t at = bucket.begin;
        for (int k = 0; k < 257; ++k) {
            starts[k] = at;
            at += counts[k];
        }
        std::size_t next[257];
        std::copy(starts, starts + 257, next);
        for (std::size_t i = bucket.begin; i < bucket.end; ++i) {
            const unsigned key = base[i].length > bucket.depth ? 1u + keys[i] : 0u;
            spare[next[key]++] = base[i];
        }
        std::copy(spare.begin() + static_cast<std::ptrdiff_t>(bucket.begin),
                  spare.begin() + static_cast<std::ptrdiff_t>(bucket.end),
                  items.begin() + static_cast<std::ptrdiff_t>(bucket.begin));
        for (int k = 256; k >= 1; --k) {
            if (counts[k] > 1)
                stack.push_back({starts[k], starts[k] + counts[k], bucket.depth + 1});
        }
    }
}

}  // namespace rorirer
