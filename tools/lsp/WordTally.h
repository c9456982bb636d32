// Tallies for one change to a document, added to by string_view, so that
// counting a whole document's words or word pairs makes no string per word:
// each distinct word's bytes are kept once, in one buffer, and the word is
// known by a number from then on. Tables are open addressing with linear
// probing, grown at half full. Both are visited in the order first met.
//
// Failure: add() throws std::bad_alloc and leaves the tally as it was.
#ifndef RORIRER_LSP_WORDTALLY_H
#define RORIRER_LSP_WORDTALLY_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace rorirer::lsp {

// Numbers for words: 0, 1, 2... in the order they are first met.
class WordNumbers {
public:
    // Inline: every word of an opened document passes through here.
    std::uint32_t numberOf(std::string_view word) {
        if ((spans_.size() + 1) * 2 > slots_.size()) grow();
        const std::size_t hash = std::hash<std::string_view>()(word);
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            const Slot& slot = slots_[at];
            if (slot.number == kEmpty) return add(word, hash, at);
            // The slot holds the word's place, so that telling words apart
            // reads no other table.
            if (slot.hash == hash && textOf(slot.span) == word) return slot.number;
        }
    }
    std::string_view word(std::uint32_t number) const noexcept { return textOf(spans_[number]); }
    std::size_t size() const noexcept { return spans_.size(); }

private:
    static constexpr std::uint32_t kEmpty = UINT32_MAX;
    struct Span {
        std::size_t offset = 0;
        std::size_t length = 0;
    };
    struct Slot {
        std::size_t hash = 0;
        Span span;
        std::uint32_t number = kEmpty;
    };
    std::string_view textOf(const Span& span) const noexcept {
        return std::string_view(keys_).substr(span.offset, span.length);
    }
    // Numbers `word`, whose hash is `hash`, in the empty slot `at`.
    std::uint32_t add(std::string_view word, std::size_t hash, std::size_t at);
    void grow();

    std::vector<Slot> slots_;  // a power of two in size, or empty
    std::vector<Span> spans_;  // by number
    std::string keys_;
};

class WordTally {
public:
    // Adds `delta` to the count of `word`; a word not seen yet starts at 0.
    void add(std::string_view word, long delta);

    // Words seen, whatever their count now (zero included).
    std::size_t size() const noexcept { return counts_.size(); }

    // Calls `visit(std::string_view word, long count)` for each word seen.
    template <typename Visit>
    void forEach(Visit&& visit) const {
        for (std::uint32_t n = 0; n < counts_.size(); ++n) visit(words_.word(n), counts_[n]);
    }

private:
    WordNumbers words_;
    std::vector<long> counts_;  // by the words' numbers
};

// Which word followed which: a pair is counted under its words' numbers,
// kept in the table's slot itself, so that counting one touches one slot.
class PairTally {
public:
    void add(std::string_view previous, std::string_view word, long delta);

    // Pairs seen, whatever their count now (zero included).
    std::size_t size() const noexcept { return order_.size(); }

    // Calls `visit(std::string_view previous, std::string_view word, long
    // count)` for each pair seen.
    template <typename Visit>
    void forEach(Visit&& visit) const {
        for (const std::uint64_t key : order_)
            visit(words_.word(static_cast<std::uint32_t>(key >> 32) - 1),
                  words_.word(static_cast<std::uint32_t>(key) - 1), slots_[find(key)].count);
    }

private:
    // Both words' numbers plus one, so that no pair's key is 0.
    struct Slot {
        std::uint64_t key = 0;
        long count = 0;
    };
    static constexpr std::uint32_t kNone = UINT32_MAX;

    std::size_t find(std::uint64_t key) const noexcept;  // its slot, or an empty one
    void grow();

    WordNumbers words_;
    std::uint32_t last_ = kNone;        // the word of the last pair added
    std::vector<Slot> slots_;           // a power of two in size, or empty
    std::vector<std::uint64_t> order_;  // the keys, in the order first met
};

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_WORDTALLY_H
