// CompletionStore: words for completion the way people expect it, on top of
// a LinkedTrie. Unicode words (stored in NFC), case folded per code point,
// candidates ranked by how likely the writer wants them (RankingModel.h:
// a corpus's counts, use in this document and session, the previous word,
// case), a typo fallback, and the best N found without listing every match.
//
// Words are stored in NFC; a word shorter than the minimum length (in bytes
// of its NFC form, as the LinkedTrie counts), empty, or holding a NUL is
// refused. A word stays while it has an origin; forgetWord() removes it
// whatever its origins.
//
// Failures: allocation failure throws std::bad_alloc. Words are numbered
// and their bytes addressed in 32 bits: a word that would take the store
// past about four billion words, or four GiB of words' bytes, throws
// std::length_error from the member adding it. Either way, a member that
// changes one word leaves the store as it was when it throws; addWords()
// may have added some of its words, and the store is consistent either way.
//
// Threads: the const members (complete(), lookUp(), contains() and the
// counts) change nothing, not even a cache, so several threads may call them
// on one store at once, as long as no thread changes that store meanwhile.
// Every other member needs the store to itself. Separate stores share
// nothing but utf8proc's tables and the layer's case table, which is built
// once, on first use, safely from any thread.
#ifndef RORIRER_COMPLETION_COMPLETIONSTORE_H
#define RORIRER_COMPLETION_COMPLETIONSTORE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "completion/BuildProgress.h"
#include "completion/Query.h"
#include "completion/RankingModel.h"
#include "completion/WordFrequencies.h"

namespace rorirer {

struct StoreState;
class ImageLoader;
class ImageOutput;

class CompletionStore {
public:
    // Words shorter than three bytes are refused by default: prose's words
    // of one and two letters save no keystrokes when completed.
    explicit CompletionStore(long minLength = 3);
    // Copies are deep; the copy's tree is laid out anew.
    CompletionStore(const CompletionStore& other);
    CompletionStore& operator=(const CompletionStore& other);
    // A store moved from may only be assigned to or destroyed.
    CompletionStore(CompletionStore&& other) noexcept;
    CompletionStore& operator=(CompletionStore&& other) noexcept;
    ~CompletionStore();

    // Each returns true when the word is stored afterwards.
    // A word of a word list, permanent; `count` is its count column (0 without).
    bool addDictionaryWord(std::string_view word, std::uint64_t count = 0);
    // A word read from text, permanent, counted once per occurrence.
    bool addTextWord(std::string_view word, std::uint64_t occurrences = 1);
    // A word the user taught or accepted: permanent, and used just now.
    // (addWords with Origin::kPersonal adds such words without the use.)
    bool learnWord(std::string_view word);
    // Occurrences in open documents. When a word's document occurrences fall
    // to zero and it has no other origin, it is removed from the store.
    bool addDocumentOccurrences(std::string_view word, std::uint32_t occurrences = 1);
    // False (and nothing changes) when the word has fewer occurrences than
    // that in documents. True otherwise, also when the word leaves.
    bool removeDocumentOccurrences(std::string_view word, std::uint32_t occurrences = 1);
    // Removes the word whatever its origins; false when it was not stored.
    bool forgetWord(std::string_view word);
    // Marks a stored word as used just now (a completion was accepted).
    bool touchWord(std::string_view word);
    // Empties the store, keeping the minimum length, the frequencies and
    // the model.
    void reset();

    // The corpus counts every word is ranked by; null: none, every word has
    // the model's floor. Set before adding words: a store that holds words
    // looks every one up again, in time proportional to their number.
    // Throws std::bad_alloc, the store as it was.
    void setFrequencies(std::shared_ptr<const WordFrequencies> frequencies);
    // The same for the model's parameters.
    void setRankingModel(const RankingModel& model);
    const RankingModel& rankingModel() const noexcept;

    struct WordCount {
        std::string_view word;
        std::uint64_t count = 0;
    };
    // Many words at once with one origin, as the single members would add
    // them in order, but built in bulk when that is faster. kPersonal adds
    // them as learnWord does but stamps none: recency is for this run, and
    // these are the words a personal list kept from earlier ones. Returns
    // how many were new.
    std::size_t addWords(const std::vector<WordCount>& words, Origin origin,
                         BuildProgress* progress = nullptr);

    // A word list handed over whole: the bytes, and the words, which point
    // into them. A large list takes several times its size while it is
    // sorted and stored, so the store lets go of each part as soon as it has
    // read it, and the caller's memory is not held beside the finished
    // store's.
    struct WordList {
        std::string bytes;
        std::vector<WordCount> words;
    };
    // As addWords(list.words, ...). The list is used up, whatever happens.
    std::size_t addWords(WordList&& list, Origin origin, BuildProgress* progress = nullptr);

    // Throws std::bad_alloc only.
    Completion complete(const Query& query) const;

    struct WordInfo {
        Origins origins = 0;
        std::uint64_t count = 0;  // count columns, text and document occurrences
        std::uint32_t documentCount = 0;
        std::uint32_t corpusCount = 0;  // the frequencies' estimate, rounded
        bool recent = false;            // used in this run
    };
    std::optional<WordInfo> lookUp(std::string_view word) const;
    bool contains(std::string_view word) const;
    std::size_t wordCount() const noexcept;
    long minLength() const noexcept;
    // Nodes of the underlying LinkedTrie, the root marker included.
    long nodeCount() const noexcept;
    // Heap bytes the layer holds beside the LinkedTrie: its word table,
    // index and side maps, as allocated (capacity, not size).
    std::size_t extraMemoryBytes() const noexcept;

private:
    // The layer's tests check the state through it
    // (completion/internal/StoreState.h).
    friend struct StoreInspection;
    // Compiled images (completion/StoreImage.h) read and write the state.
    friend class ImageLoader;
    friend void writeImage(const CompletionStore& store, std::string_view key, ImageOutput& out,
                           BuildProgress* progress);
    explicit CompletionStore(std::unique_ptr<StoreState> state) noexcept;

    std::unique_ptr<StoreState> state_;
};

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_COMPLETIONSTORE_H
