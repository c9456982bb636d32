#include "completion/internal/WordTable.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <tuple>

namespace rorirer {
namespace {

constexpr std::uint32_t kErased = 0xFFFFFFFEu;
// Free ids form a list through their offsets_ entries.
constexpr std::uint32_t kNoFreeId = 0xFFFFFFFFu;

std::size_t varintLength(std::size_t value) noexcept {
    std::size_t length = 1;
    while (value >= 0x80) {
        value >>= 7;
        ++length;
    }
    return length;
}

// Grows a vector's capacity by at least half, so that reserving for one
// more at a time stays linear overall.
template <typename T>
void reserveMore(std::vector<T>& v, std::size_t more) {
    const std::size_t needed = v.size() + more;
    if (needed <= v.capacity()) return;
    v.reserve(std::max(needed, v.capacity() + v.capacity() / 2));
}

// Calls `visit` on every column of `columns`.
template <typename Columns, typename Visit>
void forEachColumn(Columns& columns, Visit&& visit) {
    std::apply([&visit](auto&... column) { (visit(column), ...); }, columns.parts());
}

}  // namespace

std::uint64_t WordTable::hashOf(std::string_view word) const noexcept {
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ word.size();
    std::size_t at = 0;
    for (; at + 8 <= word.size(); at += 8) {
        std::uint64_t chunk;
        std::memcpy(&chunk, word.data() + at, 8);
        h = (h ^ chunk) * 0xBF58476D1CE4E5B9ull;
        h ^= h >> 31;
    }
    std::uint64_t tail = 0;
    for (std::size_t i = 0; at + i < word.size(); ++i)
        tail |= std::uint64_t{static_cast<unsigned char>(word[at + i])} << (8 * i);
    h = (h ^ tail) * 0x94D049BB133111EBull;
    h ^= h >> 32;
    h *= 0xBF58476D1CE4E5B9ull;
    return h ^ (h >> 29);
}

std::string_view WordTable::word(std::uint32_t id) const noexcept {
    const char* at = arena_.data() + offsets_[id];
    std::size_t length = 0;
    unsigned shift = 0;
    for (;;) {
        const auto byte = static_cast<unsigned char>(*at++);
        length |= static_cast<std::size_t>(byte & 0x7F) << shift;
        if (byte < 0x80) break;
        shift += 7;
    }
    return std::string_view(at, length);
}

std::size_t WordTable::slotFor(std::string_view word) const noexcept {
    return slotFrom(word, hashOf(word) & (slots_.size() - 1));
}

std::size_t WordTable::slotFrom(std::string_view word, std::size_t at) const noexcept {
    const std::size_t mask = slots_.size() - 1;
    for (;; at = (at + 1) & mask) {
        const std::uint32_t id = slots_[at];
        if (id == kNoWord) return slots_.size();
        if (id != kErased && this->word(id) == word) return at;
    }
}

std::uint32_t WordTable::find(std::string_view word) const noexcept {
    if (slots_.empty()) return kNoWord;
    const std::size_t at = slotFor(word);
    return at < slots_.size() ? slots_[at] : kNoWord;
}

void WordTable::findMany(const std::string_view* words, std::size_t count,
                         std::uint32_t* ids) const noexcept {
    if (slots_.empty()) {
        std::fill(ids, ids + count, kNoWord);
        return;
    }
    constexpr std::size_t kAhead = 16;
    const std::size_t mask = slots_.size() - 1;
    const auto live = [](std::uint32_t id) { return id != kNoWord && id != kErased; };
    for (std::size_t begin = 0; begin < count; begin += kAhead) {
        const std::size_t n = std::min(kAhead, count - begin);
        std::size_t at[kAhead];
        for (std::size_t i = 0; i < n; ++i) {
            at[i] = hashOf(words[begin + i]) & mask;
            prefetch(&slots_[at[i]]);
        }
        for (std::size_t i = 0; i < n; ++i)
            if (live(slots_[at[i]])) prefetch(&offsets_[slots_[at[i]]]);
        for (std::size_t i = 0; i < n; ++i)
            if (live(slots_[at[i]])) prefetch(arena_.data() + offsets_[slots_[at[i]]]);
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t found = slotFrom(words[begin + i], at[i]);
            ids[begin + i] = found < slots_.size() ? slots_[found] : kNoWord;
        }
    }
}

void WordTable::rehash(std::size_t capacity) {
    std::vector<std::uint32_t> slots(capacity, kNoWord);
    const std::size_t mask = capacity - 1;
    for (std::uint32_t id = 0; id < idLimit(); ++id) {
        if (!isLive(id)) continue;
        std::size_t at = hashOf(word(id)) & mask;
        while (slots[at] != kNoWord) at = (at + 1) & mask;
        slots[at] = id;
    }
    slots_.swap(slots);
    slotsUsed_ = live_;
}

void WordTable::compactArena() {
    std::vector<char> arena;
    arena.reserve(arena_.size() - garbage_ + arena_.size() / 4);
    for (std::uint32_t id = 0; id < idLimit(); ++id) {
        if (!isLive(id)) continue;
        const std::string_view w = word(id);
        const char* entry = w.data() - varintLength(w.size());
        const auto offset = arena.size();
        arena.insert(arena.end(), entry, w.data() + w.size());
        offsets_[id] = static_cast<std::uint32_t>(offset);
    }
    arena_.swap(arena);
    garbage_ = 0;
}

std::size_t WordTable::arenaBytesOf(std::size_t length) noexcept {
    return varintLength(length) + length;
}

void WordTable::reserve(std::size_t words, std::size_t arenaBytes) {
    // Ids: the free list first, then new ones at the end.
    std::size_t freeIds = 0;
    for (std::uint32_t id = freeHead_; id != kNoFreeId && freeIds < words; id = offsets_[id])
        ++freeIds;
    if (freeIds < words) {
        const std::size_t more = words - freeIds;
        if (offsets_.size() + more > std::numeric_limits<std::uint32_t>::max() - 2)
            throw std::length_error("too many words for one completion store");
        reserveMore(offsets_, more);
        forEachColumn(columns_, [more](auto& column) { reserveMore(column, more); });
    }
    if (arena_.size() + arenaBytes > arena_.capacity() && garbage_ > arena_.size() / 2)
        compactArena();
    if (arena_.size() + arenaBytes > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("too many bytes of words for one completion store");
    reserveMore(arena_, arenaBytes);
    if ((slotsUsed_ + words) * 4 >= slots_.size() * 3) {
        std::size_t capacity = 16;
        while ((live_ + words) * 4 >= capacity * 3) capacity *= 2;
        rehash(capacity);
    }
}

std::vector<std::uint32_t> WordTable::nextIds(std::size_t count) const {
    std::vector<std::uint32_t> ids;
    ids.reserve(count);
    for (std::uint32_t id = freeHead_; id != kNoFreeId && ids.size() < count; id = offsets_[id])
        ids.push_back(id);
    for (std::uint32_t id = idLimit(); ids.size() < count; ++id) ids.push_back(id);
    return ids;
}

std::uint32_t WordTable::insert(std::string_view word, std::uint8_t origins,
                                std::uint64_t hash) noexcept {
    std::uint32_t id;
    const auto offset = static_cast<std::uint32_t>(arena_.size());
    if (freeHead_ != kNoFreeId) {
        id = freeHead_;
        freeHead_ = offsets_[id];
        offsets_[id] = offset;
    } else {
        id = idLimit();
        offsets_.push_back(offset);
        // Room was reserved: growing a column cannot throw.
        forEachColumn(columns_, [](auto& column) { column.emplace_back(); });
    }
    // A free id's fields were reset when it was freed.
    columns_.origins[id] = origins;
    std::size_t length = word.size();
    while (length >= 0x80) {
        arena_.push_back(static_cast<char>((length & 0x7F) | 0x80));
        length >>= 7;
    }
    arena_.push_back(static_cast<char>(length));
    arena_.insert(arena_.end(), word.begin(), word.end());

    const std::size_t mask = slots_.size() - 1;
    std::size_t at = hash & mask;
    while (slots_[at] != kNoWord && slots_[at] != kErased) at = (at + 1) & mask;
    if (slots_[at] == kNoWord) ++slotsUsed_;
    slots_[at] = id;
    ++live_;
    return id;
}

void WordTable::erase(std::uint32_t id) noexcept {
    const std::string_view w = word(id);
    slots_[slotFor(w)] = kErased;
    garbage_ += varintLength(w.size()) + w.size();
    forEachColumn(columns_, [id](auto& column) { column[id] = {}; });
    documents_.set(id, 0);
    stamps_.set(id, 0);
    offsets_[id] = freeHead_;
    freeHead_ = id;
    --live_;
}

void WordTable::addBaseCount(std::uint32_t id, std::uint64_t count) noexcept {
    const std::uint64_t sum = std::uint64_t{columns_.counts[id]} + count;
    columns_.counts[id] = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(sum, std::numeric_limits<std::uint32_t>::max()));
}

void WordTable::clear() noexcept {
    std::vector<char>().swap(arena_);
    std::vector<std::uint32_t>().swap(offsets_);
    columns_ = Columns();
    std::vector<std::uint32_t>().swap(slots_);
    documents_ = IdMap();
    stamps_ = IdMap();
    garbage_ = 0;
    slotsUsed_ = 0;
    live_ = 0;
    freeHead_ = kNoFreeId;
}

std::size_t WordTable::memoryBytes() const noexcept {
    std::size_t bytes = arena_.capacity() + offsets_.capacity() * sizeof(std::uint32_t) +
                        slots_.capacity() * sizeof(std::uint32_t) + documents_.memoryBytes() +
                        stamps_.memoryBytes();
    forEachColumn(columns_,
                  [&bytes](const auto& column) { bytes += column.capacity() * sizeof(column[0]); });
    return bytes;
}

}  // namespace rorirer
