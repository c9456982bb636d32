// The word table in a compiled image: the words in byte order, each as its
// length (a varint) and its bytes, as the arena holds them; each column of
// Columns in the same order; and the hash index over the new ids.
#include <algorithm>
#include <stdexcept>
#include <tuple>
#include <type_traits>

#include "completion/internal/HugePages.h"
#include "completion/internal/ImageFormat.h"
#include "completion/internal/WordTable.h"

namespace rorirer {
namespace {

// An arena is addressed in 32 bits.
constexpr std::uint64_t kMostArenaBytes = 0xFFFFFFFFu;

template <typename Columns, typename Visit>
void forEachColumn(Columns& columns, Visit&& visit) {
    std::apply([&visit](auto&... column) { (visit(column), ...); }, columns.parts());
}

// Hash slots for `words` words: a power of two, at most three quarters
// full, as reserve() keeps them.
std::size_t slotsFor(std::size_t words) noexcept {
    std::size_t capacity = 16;
    while (words * 4 >= capacity * 3) capacity *= 2;
    return capacity;
}

// Gathers small pieces into larger writes: the checksum and the buffer
// cost the same per call whatever its size.
class Staging {
public:
    explicit Staging(ImageWriter& out) : out_(out) { stage_.reserve(kStageBytes); }
    ~Staging() = default;
    void add(const void* data, std::size_t size) {
        if (stage_.size() + size > kStageBytes) flush();
        const auto* bytes = static_cast<const char*>(data);
        stage_.insert(stage_.end(), bytes, bytes + size);
    }
    void flush() {
        out_.bytes(stage_.data(), stage_.size());
        stage_.clear();
    }

private:
    static constexpr std::size_t kStageBytes = 1 << 16;
    ImageWriter& out_;
    std::vector<char> stage_;
};

}  // namespace

void WordTable::writeImage(ImageWriter& out, const std::vector<std::uint32_t>& order) const {
    if (documents_.size() != 0 || stamps_.size() != 0)
        throw std::logic_error("an image holds no recency stamps and no document counts");
    std::size_t arenaBytes = 0;
    for (const std::uint32_t id : order) arenaBytes += arenaBytesOf(word(id).size());
    out.arrayHeader<char>(arenaBytes);
    Staging staging(out);
    for (const std::uint32_t id : order) {
        const std::string_view w = word(id);
        // The entry as the arena holds it: its length's varint, then the word.
        const std::size_t entry = arenaBytesOf(w.size());
        staging.add(w.data() - (entry - w.size()), entry);
    }
    staging.flush();
    forEachColumn(columns_, [&out, &staging, &order](const auto& column) {
        using Value = typename std::decay_t<decltype(column)>::value_type;
        out.arrayHeader<Value>(order.size());
        for (const std::uint32_t id : order) staging.add(&column[id], sizeof(Value));
        staging.flush();
    });
    // The hash index over the new ids, which follow `order`.
    std::vector<std::uint32_t> slots(slotsFor(order.size()), kNoWord);
    const std::size_t mask = slots.size() - 1;
    for (std::uint32_t fresh = 0; fresh < order.size(); ++fresh) {
        std::size_t at = hashOf(word(order[fresh])) & mask;
        while (slots[at] != kNoWord) at = (at + 1) & mask;
        slots[at] = fresh;
    }
    out.array(slots.data(), slots.size());
}

void WordTable::readImage(ImageReader& in, std::size_t words, std::size_t shortest) {
    clear();
    try {
        in.array(arena_, kMostArenaBytes, "the words");
        // Each entry takes two bytes at least: its length and one byte.
        if (words > arena_.size() / 2) ImageReader::refuse("more words than it holds");
        // Each entry in turn: the words must fill the arena exactly.
        reserveHuge(offsets_, words);
        for (std::size_t at = 0; at < arena_.size();) {
            const auto offset = static_cast<std::uint32_t>(at);
            std::size_t length = 0;
            unsigned shift = 0;
            for (;;) {
                if (at == arena_.size() || shift > 28) ImageReader::refuse("a word is cut short");
                const auto byte = static_cast<unsigned char>(arena_[at++]);
                length |= static_cast<std::size_t>(byte & 0x7F) << shift;
                if (byte < 0x80) break;
                shift += 7;
            }
            if (length < std::max<std::size_t>(shortest, 1) || length > arena_.size() - at)
                ImageReader::refuse("a word of the wrong length");
            if (offsets_.size() == words) ImageReader::refuse("more words than it says");
            offsets_.push_back(offset);
            at += length;
        }
        if (offsets_.size() != words) ImageReader::refuse("fewer words than it says");
        forEachColumn(columns_, [&in, words](auto& column) {
            in.array(column, words, "a column of the words");
            if (column.size() != words) ImageReader::refuse("a column of the wrong length");
        });
        for (const std::uint8_t flags : columns_.origins)
            if (flags == 0 || flags > 0x0F) ImageReader::refuse("a word without origins");
        in.array(slots_, std::uint64_t{1} << 33, "the hash index");
        if (slots_.size() != slotsFor(words)) ImageReader::refuse("a hash index of the wrong size");
        // Every id once, and nothing else but empty slots.
        std::vector<bool> seen(words, false);
        for (const std::uint32_t id : slots_) {
            if (id == kNoWord) continue;
            if (id >= words || seen[id]) ImageReader::refuse("a hash index that does not fit");
            seen[id] = true;
        }
        if (std::find(seen.begin(), seen.end(), false) != seen.end())
            ImageReader::refuse("a hash index that misses words");
        live_ = words;
        slotsUsed_ = words;
    } catch (...) {
        clear();
        throw;
    }
}

}  // namespace rorirer
