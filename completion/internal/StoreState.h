// Everything a CompletionStore holds: the tree, and beside it the word table
// and the rank index, which always hold exactly the tree's words.
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

    WordStore store;
    WordTable table;
    RankIndex index;
    TopList top;
    // The last recency stamp handed out; stamps only grow.
    std::uint32_t clock = 0;
};

std::size_t codePointCount(std::string_view text) noexcept;
std::uint64_t scoreOf(const StoreState& state, std::uint32_t id) noexcept;

// The next recency stamp. When the stamps would run out, renumbers those in
// use in the same order first (allocates; the order survives a failure).
std::uint32_t takeStamp(StoreState& state);

// The word as stored (NFC), or empty when the store would refuse it.
std::string storedForm(const StoreState& state, std::string_view word);

Completion runQuery(const StoreState& state, const Query& query);

// The bulk path of CompletionStore::addWords for dictionary and text words.
std::size_t addWordsInBulk(StoreState& state, const std::vector<CompletionStore::WordCount>& words,
                           Origin origin);

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_STORESTATE_H
