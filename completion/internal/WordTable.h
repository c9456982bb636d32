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
#include <tuple>
#include <utility>
#include <vector>

#include "completion/internal/IdMap.h"

namespace rorirer {

class ImageReader;
class ImageWriter;

class WordTable {
public:
    static constexpr std::uint32_t kNoWord = 0xFFFFFFFFu;

    // What the table knows of each word: one array per field, indexed by id.
    // Every field is listed in parts(), so that each grows, is reset, is
    // cleared and goes into a compiled image (TableImage.cpp) like the
    // others: a field is added with one line here and its name in parts().
    struct Columns {
        std::vector<std::uint8_t> origins;  // 0: the id is free
        // Occurrences in dictionaries' count columns and in texts, saturating.
        std::vector<std::uint32_t> counts;
        // The frequency list's estimate of the word, rounded (0: none).
        std::vector<std::uint32_t> corpus;

        auto parts() noexcept { return std::tie(origins, counts, corpus); }
        auto parts() const noexcept { return std::tie(origins, counts, corpus); }
    };

    std::uint32_t find(std::string_view word) const noexcept;
    // The ids of `count` words (kNoWord for a word not stored), a few at a
    // time: each one's hash slot, then its first entry's offset and bytes
    // are asked for ahead, so that the cache misses of one lookup overlap
    // those of the others.
    void findMany(const std::string_view* words, std::size_t count,
                  std::uint32_t* ids) const noexcept;
    std::string_view word(std::uint32_t id) const noexcept;
    bool isLive(std::uint32_t id) const noexcept {
        return id < columns_.origins.size() && columns_.origins[id] != 0;
    }

    std::uint8_t origins(std::uint32_t id) const noexcept { return columns_.origins[id]; }
    std::uint32_t baseCount(std::uint32_t id) const noexcept { return columns_.counts[id]; }
    std::uint32_t documentCount(std::uint32_t id) const noexcept { return documents_.get(id); }
    std::uint64_t frequency(std::uint32_t id) const noexcept {
        return std::uint64_t{columns_.counts[id]} + documents_.get(id);
    }
    std::uint32_t corpusCount(std::uint32_t id) const noexcept { return columns_.corpus[id]; }
    // Non-zero when the word was used in this run.
    std::uint32_t stamp(std::uint32_t id) const noexcept { return stamps_.get(id); }

    std::size_t size() const noexcept { return live_; }
    // Every id in use is below this.
    std::uint32_t idLimit() const noexcept {
        return static_cast<std::uint32_t>(columns_.origins.size());
    }

    // Room for `words` more words taking `arenaBytes` in the arena: the sum
    // of arenaBytesOf() their lengths.
    void reserve(std::size_t words, std::size_t arenaBytes);
    static std::size_t arenaBytesOf(std::size_t length) noexcept;
    void reserveStamps(std::size_t more) { stamps_.reserve(more); }
    void reserveDocumentCounts(std::size_t more) { documents_.reserve(more); }

    // The ids the next `count` insertions will hand out, in order: the free
    // ids first, then new ones from idLimit() on.
    std::vector<std::uint32_t> nextIds(std::size_t count) const;
    bool hasFreeIds() const noexcept { return freeHead_ != kNoWord; }

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
        if (!slots_.empty()) prefetch(&slots_[hash & (slots_.size() - 1)]);
    }
    void erase(std::uint32_t id) noexcept;
    void setOrigins(std::uint32_t id, std::uint8_t origins) noexcept {
        columns_.origins[id] = origins;
    }
    void addBaseCount(std::uint32_t id, std::uint64_t count) noexcept;
    void setBaseCount(std::uint32_t id, std::uint32_t count) noexcept {
        columns_.counts[id] = count;
    }
    void setDocumentCount(std::uint32_t id, std::uint32_t count) noexcept {
        documents_.set(id, count);
    }
    void setStamp(std::uint32_t id, std::uint32_t stamp) noexcept { stamps_.set(id, stamp); }
    void setCorpusCount(std::uint32_t id, std::uint32_t count) noexcept {
        columns_.corpus[id] = count;
    }

    void clear() noexcept;
    std::size_t memoryBytes() const noexcept;

    // A compiled image of the table (TableImage.cpp): its words in byte
    // order, as `order` gives their ids, with their columns, numbered anew
    // from 0 in that order. Only the words of word sources go into an image:
    // no recency stamps, no document counts.
    void writeImage(ImageWriter& out, const std::vector<std::uint32_t>& order) const;
    // Replaces the table by the one an image holds: `words` words of at
    // least `shortest` bytes, their ids in byte order of their words (which
    // the tree's image then checks). Throws ImageError for an image that is
    // not whole and right, leaving the table empty.
    void readImage(ImageReader& in, std::size_t words, std::size_t shortest);

private:
    static void prefetch(const void* at) noexcept {
#if defined(__GNUC__) || defined(__clang__)
        __builtin_prefetch(at);
#else
        (void)at;
#endif
    }
    void rehash(std::size_t capacity);
    void compactArena();
    std::size_t slotFor(std::string_view word) const noexcept;
    // The slot holding `word` from slot `at` on, or slots_.size().
    std::size_t slotFrom(std::string_view word, std::size_t at) const noexcept;

    // Each word is its length as a base-128 varint, then its bytes.
    std::vector<char> arena_;
    std::size_t garbage_ = 0;  // arena bytes of erased words
    std::vector<std::uint32_t> offsets_;
    Columns columns_;
    std::uint32_t freeHead_ = kNoWord;  // first free id; each links the next through offsets_
    IdMap documents_;
    IdMap stamps_;
    // Open addressing over ids; kNoWord empty, kErased a removed entry.
    std::vector<std::uint32_t> slots_;
    std::size_t slotsUsed_ = 0;
    std::size_t live_ = 0;
};

// Each std::vector takes the same room whatever it holds, so a field of
// Columns left out of parts() makes the sizes differ.
static_assert(sizeof(WordTable::Columns) ==
                  std::tuple_size<decltype(std::declval<WordTable::Columns&>().parts())>::value *
                      sizeof(std::vector<char>),
              "every field of WordTable::Columns is listed in its parts()");

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_WORDTABLE_H
