// Word counts from a corpus, the unigram a CompletionStore ranks every word
// by (CompletionStore::setFrequencies): the program ships SUBTLEX-US's
// (data/word-frequencies). A corpus keeps one spelling per word, so words
// are looked up folded (utf8proc_tolower per code point): the list's "What"
// counts for a stored "what", and its "Helen" for a stored "Helen".
//
// Such a corpus counts contractions in pieces, split at the apostrophe
// (don't as "don" and "t"). estimate() puts them together again: a word with
// an apostrophe inside gets a share of its first piece's count, the share
// its last piece takes of the pieces it follows (learnContractions()), and
// the suffixes alone (s, t, d, m, ll, re, ve) count nothing, so that none of
// them ranks as a word. docs/completion.md says why.
//
// Const members change nothing: several threads may read one table.
#ifndef RORIRER_COMPLETION_WORDFREQUENCIES_H
#define RORIRER_COMPLETION_WORDFREQUENCIES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rorirer {

class WordFrequencies {
public:
    // Lines of `word<TAB>count` (parseDictionaryLine); a line without a count
    // counts one. Words met twice, or in two cases, add up.
    void addLines(std::string_view text);
    void add(std::string_view word, std::uint64_t count);

    // The corpus's count of `word` (NFC), folded; 0 when it lacks the word.
    // Counts saturate at 2^32 - 1.
    std::uint32_t count(std::string_view word) const;
    // Learns from the words of a list (one a line, `word<TAB>count` too)
    // which pieces follow which apostrophes: the share of a suffix (s, t,
    // ...) is its count over the counts of the pieces the list puts before
    // it, so that "t" goes mostly to don't and "s" a little to each John's.
    void learnContractions(std::string_view lines);
    // What the corpus says of `word` once its pieces are put together. A
    // suffix no list taught takes the share `contraction`.
    double estimate(std::string_view word, double contraction) const;

    std::size_t size() const noexcept { return counts_.size(); }
    std::uint64_t total() const noexcept { return total_; }
    std::size_t memoryBytes() const noexcept;

private:
    std::uint32_t countFolded(std::string_view folded) const noexcept;
    std::size_t slotOf(std::string_view folded, std::uint64_t hash) const noexcept;
    std::string_view keyOf(std::uint32_t index) const noexcept;
    void grow();

    // Folded words, each followed by a NUL; offsets_ and counts_ by index.
    std::string keys_;
    std::vector<std::uint32_t> offsets_;
    std::vector<std::uint32_t> counts_;
    // Open addressing: the key's hash's upper half above its index plus
    // one, so that most probes compare no key; 0 is empty. A power of two.
    std::vector<std::uint64_t> slots_;
    static std::uint64_t slotValue(std::uint64_t hash, std::size_t indexPlusOne) noexcept {
        return (hash & 0xFFFFFFFF00000000ull) | indexPlusOne;
    }
    static std::uint32_t indexOf(std::uint64_t slot) noexcept {
        return static_cast<std::uint32_t>(slot) - 1;
    }
    std::uint64_t total_ = 0;
    // Suffixes (folded) and the share of the piece before each they take.
    std::vector<std::pair<std::string, double>> shares_;
};

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_WORDFREQUENCIES_H
