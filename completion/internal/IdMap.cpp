#include "completion/internal/IdMap.h"

namespace rorirer {
namespace {

std::size_t slotOf(std::uint32_t id, std::size_t mask) noexcept {
    return static_cast<std::size_t>((id * 0x9E3779B97F4A7C15ull) >> 32) & mask;
}

}  // namespace

void IdMap::reserve(std::size_t more) {
    // Kept at most three quarters full, tombstones included.
    if ((used_ + more) * 4 <= slots_.size() * 3) return;
    std::size_t capacity = 16;
    while ((live_ + more) * 2 > capacity) capacity *= 2;
    std::vector<Slot> slots(capacity, Slot{kEmpty, 0});
    const std::size_t mask = capacity - 1;
    for (const Slot& slot : slots_) {
        if (slot.key >= kTombstone) continue;
        std::size_t at = slotOf(slot.key, mask);
        while (slots[at].key != kEmpty) at = (at + 1) & mask;
        slots[at] = slot;
    }
    slots_.swap(slots);
    used_ = live_;
}

std::size_t IdMap::find(std::uint32_t id) const noexcept {
    if (slots_.empty()) return 0;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = slotOf(id, mask);; at = (at + 1) & mask) {
        if (slots_[at].key == id) return at;
        if (slots_[at].key == kEmpty) return slots_.size();
    }
}

std::uint32_t IdMap::get(std::uint32_t id) const noexcept {
    const std::size_t at = find(id);
    return at < slots_.size() ? slots_[at].value : 0;
}

void IdMap::set(std::uint32_t id, std::uint32_t value) noexcept {
    const std::size_t found = find(id);
    if (found < slots_.size()) {
        if (value != 0) {
            slots_[found].value = value;
        } else {
            slots_[found].key = kTombstone;
            --live_;
        }
        return;
    }
    if (value == 0) return;
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = slotOf(id, mask);
    while (slots_[at].key < kTombstone) at = (at + 1) & mask;
    if (slots_[at].key == kEmpty) ++used_;
    slots_[at] = Slot{id, value};
    ++live_;
}

void IdMap::clear() noexcept {
    for (Slot& slot : slots_) slot = Slot{kEmpty, 0};
    live_ = 0;
    used_ = 0;
}

}  // namespace rorirer
