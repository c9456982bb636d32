// A map from word ids to 32-bit values for the few words that have one
// (recency stamps, document counts): open addressing, so that room can be
// made first and a value then set without allocating.
#ifndef RORIRER_COMPLETION_INTERNAL_IDMAP_H
#define RORIRER_COMPLETION_INTERNAL_IDMAP_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace rorirer {

class IdMap {
public:
    // Makes room for `more` new keys; may throw std::bad_alloc, and then
    // leaves the map as it was.
    void reserve(std::size_t more);
    // 0 when `id` has no value.
    std::uint32_t get(std::uint32_t id) const noexcept;
    // Setting 0 erases. A new key needs room made by reserve().
    void set(std::uint32_t id, std::uint32_t value) noexcept;
    void clear() noexcept;
    std::size_t size() const noexcept { return live_; }
    std::size_t memoryBytes() const noexcept { return slots_.capacity() * sizeof(Slot); }

    template <typename Visit>
    void forEach(Visit&& visit) const {
        for (const Slot& slot : slots_)
            if (slot.key < kTombstone) visit(slot.key, slot.value);
    }

private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    static constexpr std::uint32_t kTombstone = 0xFFFFFFFEu;
    struct Slot {
        std::uint32_t key;
        std::uint32_t value;
    };
    std::size_t find(std::uint32_t id) const noexcept;  // slot index, or slots_.size()

    std::vector<Slot> slots_;  // empty, or a power of two
    std::size_t live_ = 0;
    std::size_t used_ = 0;  // live and tombstones
};

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_IDMAP_H
