// The words of a completion store by dense id: their NFC bytes in one arena,
// what the layer knows of each (origins, counts, the corpus's estimate, use
// in this run), and a hash index
// from word to id. Ids are what the rank index is keyed by; they survive
// while the word is stored, and a freed id is used again.
//
// Changes come in two steps: reserve...() makes room and may throw
// std::bad_alloc, leaving the table as it was; the noexcept members then
// cannot fail.
#ifndef RORIRER_COMPLETION_INTERNAL_WORDTABLE_H
#define RORIRER_COMPLETION_INTERNAL_WORDTABLE_H

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "completion/internal/IdMap.h"

namespace rorirer {

class WordTable {
public:
    static constexpr std::uint32_t kNoWord = 0xFFFFFFFFu;

    std::uint32_t find(std::string_view word) const noexcept;
    std::string_view word(std::uint32_t id) const noexcept;
    bool isLive(std::uint32_t id) const noexcept {
        return id < origins_.size() && origins_[id] != 0;
    }

    std::uint8_t origins(std::uint32_t id) const noexcept { return origins_[id]; }
    // Occurrences in dictionaries' count columns and in texts, saturating.
    std::uint32_t baseCount(std::uint32_t id) const noexcept { return counts_[id]; }
    std::uint32_t documentCount(std::uint32_t id) const noexcept { return documents_.get(id); }
    std::uint64_t frequency(std::uint32_t id) const noexcept {
        return std::uint64_t{counts_[id]} + documents_.get(id);
    }
    // The frequency list's estimate of the word, rounded (0: none).
    std::uint32_t corpusCount(std::uint32_t id) const noexcept { return corpus_[id]; }
    // Non-zero when the word was used in this run.
    std::uint32_t stamp(std::uint32_t id) const noexcept { return stamps_.get(id); }

    std::size_t size() const noexcept { return live_; }
    // Every id in use is below this.
    std::uint32_t idLimit() const noexcept { return static_cast<std::uint32_t>(origins_.size()); }

    // Room for `words` more words taking `arenaBytes` in the arena: the sum
    // of arenaBytesOf() their lengths.
    void reserve(std::size_t words, std::size_t arenaBytes);
    static std::size_t arenaBytesOf(std::size_t length) noexcept;
    void reserveStamps(std::size_t more) { stamps_.reserve(more); }
    void reserveDocumentCounts(std::size_t more) { documents_.reserve(more); }

    // The ids the next `count` insertions will hand out, in order.
    std::vector<std::uint32_t> nextIds(std::size_t count) const;

    // A new word with the given origins (not 0) and no counts; the word must
    // not be stored yet.
    std::uint32_t insert(std::string_view word, std::uint8_t origins) noexcept {
        return insert(word, origins, hashOf(word));
    }
    // The same with the word's hashOf() known, and the hash slot it starts
    // from asked for ahead, for loading many words.
    std::uint32_t insert(std::string_view word, std::uint8_t origins, std::uint64_t hash) noexcept;
    std::uint64_t hashOf(std::string_view word) const noexcept;
    void prefetchSlot(std::uint64_t hash) const noexcept {
#if defined(__GNUC__) || defined(__clang__)
        if (!slots_.empty()) __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]);
#endif
    }
    void erase(std::uint32_t id) noexcept;
    void setOrigins(std::uint32_t id, std::uint8_t origins) noexcept { origins_[id] = origins; }
    void addBaseCount(std::uint32_t id, std::uint64_t count) noexcept;
    void setDocumentCount(std::uint32_t id, std::uint32_t count) noexcept {
        documents_.set(id, count);
    }
    void setStamp(std::uint32_t id, std::uint32_t stamp) noexcept { stamps_.set(id, stamp); }
    void setCorpusCount(std::uint32_t id, std::uint32_t count) noexcept { corpus_[id] = count; }

    void clear() noexcept;
    std::size_t memoryBytes() const noexcept;

private:
    void rehash(std::size_t capacity);
    void compactArena();
    std::size_t slotFor(std::string_view word) const noexcept;

    // Each word is its length as a base-128 varint, then its bytes.
    std::vector<char> arena_;
    std::size_t garbage_ = 0;  // arena bytes of erased words
    std::vector<std::uint32_t> offsets_;
    std::vector<std::uint8_t> origins_;  // 0: the id is free
    std::vector<std::uint32_t> counts_;
    std::vector<std::uint32_t> corpus_;
    std::uint32_t freeHead_ = kNoWord;  // first free id; each links the next through offsets_
    IdMap documents_;
    IdMap stamps_;
    // Open addressing over ids; kNoWord empty, kErased a removed entry.
    std::vector<std::uint32_t> slots_;
    std::size_t slotsUsed_ = 0;
    std::size_t live_ = 0;
};

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_WORDTABLE_H
