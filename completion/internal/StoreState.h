// Everything a CompletionStore holds: the tree, and beside it the word table
// and the rank index, which always hold exactly the tree's words; and what
// the store does with them. CompletionStore's members forward here.
#ifndef RORIRER_COMPLETION_INTERNAL_STORESTATE_H
#define RORIRER_COMPLETION_INTERNAL_STORESTATE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "completion/CompletionStore.h"
#include "completion/internal/RankIndex.h"
#include "completion/internal/TopList.h"
#include "completion/internal/WordStore.h"
#include "completion/internal/WordTable.h"

namespace rorirer {

struct StoreState {
    explicit StoreState(long minLength) : store(minLength) { top.rebuild(store.top()); }
    // The copy's tree is laid out anew: its top list is its own.
    StoreState(const StoreState& other)
        : store(other.store), table(other.table), index(other.index), clock(other.clock) {
        top.rebuild(store.top());
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
    std::uint64_t scoreOf(std::uint32_t id) const noexcept;
    // The next recency stamp. When the stamps would run out, renumbers those in
    // use in the same order first (allocates; the order survives a failure).
    std::uint32_t takeStamp();

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
    // The last recency stamp handed out; stamps only grow.
    std::uint32_t clock = 0;
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
