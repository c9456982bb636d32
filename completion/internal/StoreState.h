// Everything a CompletionStore holds: the tree, and beside it the word table
// and the rank index, which always hold exactly the tree's words; and what
// the store does with them. CompletionStore's members forward here.
#ifndef RORIRER_COMPLETION_INTERNAL_STORESTATE_H
#define RORIRER_COMPLETION_INTERNAL_STORESTATE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "completion/CompletionStore.h"
#include "completion/Unicode.h"
#include "completion/WordFrequencies.h"
#include "completion/internal/RankIndex.h"
#include "completion/internal/Score.h"
#include "completion/internal/TopList.h"
#include "completion/internal/WordStore.h"
#include "completion/internal/WordTable.h"

namespace rorirer {

struct StoreState {
    explicit StoreState(long minLength) : store(minLength) {
        top.rebuild(store.top());
        recent.reserve(weights.recent.size());
    }
    // The copy's tree is laid out anew: its top list is its own.
    StoreState(const StoreState& other)
        : store(other.store),
          table(other.table),
          index(other.index),
          frequencies(other.frequencies),
          weights(other.weights),
          recent(other.recent) {
        top.rebuild(store.top());
        recent.reserve(weights.recent.size());
    }
    StoreState& operator=(const StoreState&) = delete;

    // What one change does to one word: it gains origins and counts, or
    // loses document occurrences.
    struct Change {
        Origins origins = 0;
        std::uint64_t count = 0;
        std::uint32_t documents = 0;
        bool stamp = false;
    };
    // Applies `change` to `word` (stored form), inserting the word when it
    // is new; false when the word is refused. Everything that can fail
    // happens before the tree changes.
    bool applyChange(const std::string& word, const Change& change);
    // Only making the word's CString may fail, before anything changes.
    void removeWord(std::uint32_t id);

    // The word as stored (NFC), or empty when the store would refuse it.
    std::string storedForm(std::string_view word) const;
    WordFields fieldsOf(std::uint32_t id) const noexcept {
        return {table.corpusCount(id), table.baseCount(id), table.documentCount(id),
                table.origins(id)};
    }
    // The static score: what the rank index keeps for the word.
    std::uint64_t scoreOf(std::uint32_t id) const noexcept {
        return packScore(staticMass(fieldsOf(id), weights), characterCount(table.word(id)));
    }
    // The frequency list's estimate of a word (stored form).
    std::uint32_t corpusCountOf(std::string_view word) const {
        return frequencies ? corpusCount(frequencies->estimate(word, weights.model.contraction))
                           : 0;
    }
    // Marks a stored word as used now: first among the words used last.
    void markUsed(std::uint32_t id) noexcept;
    // Takes a word out of the words used last.
    void forgetUse(std::uint32_t id) noexcept;
    // Every word's corpus estimate and static score afresh, after the
    // frequencies or the model changed.
    void rescoreAll();

    // CompletionStore::complete (QueryRunner.cpp).
    Completion runQuery(const Query& query) const;
    // The bulk path of CompletionStore::addWords for dictionary and text
    // words (BulkLoad.cpp). `handedOver`, when not null, is the list that
    // `words` belongs to: its words and bytes go as soon as they are read.
    std::size_t addWordsInBulk(const std::vector<CompletionStore::WordCount>& words, Origin origin,
                               BuildProgress* progress, CompletionStore::WordList* handedOver);

    // Empty when the tree, the word table and the rank index agree and hold
    // their invariants; else the first fault found.
    std::string checkConsistency() const;

    WordStore store;
    WordTable table;
    RankIndex index;
    TopList top;
    std::shared_ptr<const WordFrequencies> frequencies;
    ModelWeights weights;
    // The ids of the words used last, the latest first; at most
    // weights.recent.size() of them, with room for that many kept.
    std::vector<std::uint32_t> recent;
};

// What the layer's tests read behind a store's public interface.
struct StoreInspection {
    static const StoreState& stateOf(const CompletionStore& store) noexcept {
        return *store.state_;
    }
    static std::string checkConsistency(const CompletionStore& store) {
        return stateOf(store).checkConsistency();
    }
};

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_STORESTATE_H
