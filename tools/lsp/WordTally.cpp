#include "lsp/WordTally.h"

#include <functional>

namespace rorirer::lsp {
namespace {

// Every bit of both numbers reaches the low bits the table uses.
std::size_t mix(std::uint64_t x) noexcept {
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9u;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBu;
    x ^= x >> 31;
    return static_cast<std::size_t>(x);
}

// Room for one more element, grown geometrically as push_back would, so
// that the push_back after it cannot fail.
template <typename T>
void reserveOneMore(std::vector<T>& v) {
    if (v.size() == v.capacity()) v.reserve(v.empty() ? 8 : 2 * v.size());
}

}  // namespace

std::uint32_t WordNumbers::add(std::string_view word, std::size_t hash, std::size_t at) {
    // Room first, so that a failure leaves the numbers as they were.
    reserveOneMore(spans_);
    const Span span{keys_.size(), word.size()};
    keys_.append(word);
    spans_.push_back(span);
    const auto number = static_cast<std::uint32_t>(spans_.size() - 1);
    slots_[at] = Slot{hash, span, number};
    return number;
}

void WordNumbers::grow() {
    std::vector<Slot> bigger(slots_.empty() ? 16 : slots_.size() * 2);
    const std::size_t mask = bigger.size() - 1;
    for (const Slot& slot : slots_) {
        if (slot.number == kEmpty) continue;
        std::size_t at = slot.hash & mask;
        while (bigger[at].number != kEmpty) at = (at + 1) & mask;
        bigger[at] = slot;
    }
    slots_.swap(bigger);
}

void WordTally::add(std::string_view word, long delta) {
    reserveOneMore(counts_);
    const std::uint32_t n = words_.numberOf(word);
    if (n == counts_.size()) counts_.push_back(0);
    counts_[n] += delta;
}

void PairTally::add(std::string_view previous, std::string_view word, long delta) {
    if ((order_.size() + 1) * 2 > slots_.size()) grow();
    reserveOneMore(order_);
    // Numbering a word that ends up in no pair leaves nothing behind that
    // a visit would see. Text is read a pair after another: the previous
    // word is most often the word of the pair before.
    const std::uint32_t a =
        last_ != kNone && words_.word(last_) == previous ? last_ : words_.numberOf(previous);
    const std::uint32_t b = words_.numberOf(word);
    last_ = b;
    const std::uint64_t key = (std::uint64_t{a + 1} << 32) | (std::uint64_t{b} + 1);
    Slot& slot = slots_[find(key)];
    if (slot.key == 0) {
        order_.push_back(key);
        slot.key = key;
    }
    slot.count += delta;
}

std::size_t PairTally::find(std::uint64_t key) const noexcept {
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = mix(key) & mask;
    while (slots_[at].key != 0 && slots_[at].key != key) at = (at + 1) & mask;
    return at;
}

void PairTally::grow() {
    std::vector<Slot> bigger(slots_.empty() ? 16 : slots_.size() * 2);
    const std::size_t mask = bigger.size() - 1;
    for (const Slot& slot : slots_) {
        if (slot.key == 0) continue;
        std::size_t at = mix(slot.key) & mask;
        while (bigger[at].key != 0) at = (at + 1) & mask;
        bigger[at] = slot;
    }
    slots_.swap(bigger);
}

}  // namespace rorirer::lsp
