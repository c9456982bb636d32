// Comparing a word with a key by the words' first eight bytes, which the
// rank index keeps beside each child, fetching the word only on a tie.
#ifndef RORIRER_COMPLETION_INTERNAL_WORDHEAD_H
#define RORIRER_COMPLETION_INTERNAL_WORDHEAD_H

#include <cstdint>
#include <string_view>

#include "completion/internal/WordTable.h"

namespace rorirer {

// The first eight bytes of `word`, big-endian, zero-padded.
inline std::uint64_t headOf(std::string_view word) noexcept {
    std::uint64_t head = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        head <<= 8;
        if (i < word.size()) head |= static_cast<unsigned char>(word[i]);
    }
    return head;
}

// Comparisons of a word, known by its head and id, with a key. Equal heads
// decide alone when the key is shorter than a head: the key's head then ends
// in a zero, and words hold no NUL.
inline bool wordLess(std::uint64_t head, std::uint32_t id, std::string_view key,
                     std::uint64_t keyHead, const WordTable& table) noexcept {
    if (head != keyHead) return head < keyHead;
    if (key.size() < 8) return false;
    return table.word(id).compare(key) < 0;
}

// Whether the word's first |prefix| bytes do not sort after `prefix`: the
// word sorts before every word that begins with it, or begins with it.
inline bool wordNotAfter(std::uint64_t head, std::uint32_t id, std::string_view prefix,
                         std::uint64_t prefixHead, const WordTable& table) noexcept {
    if (prefix.size() >= 8) {
        if (head != prefixHead) return head < prefixHead;
        return table.word(id).substr(0, prefix.size()).compare(prefix) <= 0;
    }
    const std::uint64_t mask = prefix.empty() ? 0 : ~0ull << (8 * (8 - prefix.size()));
    return (head & mask) <= prefixHead;
}

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_WORDHEAD_H
