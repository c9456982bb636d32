// The numbers `rorirer stats` and `:stats` print about a loaded store.
#ifndef RORIRER_TOOLS_STORESTATS_H
#define RORIRER_TOOLS_STORESTATS_H

#include <string>

#include "WordSources.h"
#include "completion/CompletionStore.h"

namespace rorirer {

struct StoreStats {
    long long words = 0;
    long long nodes = 0;
    long long offered = 0;
    long long heapBytes = -1;  // the word store and the layer together; -1: unknown
    long long layerBytes = 0;  // the completion layer's share: its word table and index
    double buildMilliseconds = 0;
    std::string ranking;  // the ranking model's settings, as RORIRER_RANKING takes them
    long long pendingWords = -1;  // the personal list's; -1 without one

    double bytesPerWord() const {
        return words > 0 && heapBytes >= 0
                   ? static_cast<double>(heapBytes) / static_cast<double>(words)
                   : 0.0;
    }
};

// `heapBytes` is what the store holds now: the heap growth of the load, kept
// up to date by callers that learn or forget words afterwards.
StoreStats collectStats(const CompletionStore& store, const LoadSummary& load);

std::string formatStats(const StoreStats& stats);

}  // namespace rorirer

#endif  // RORIRER_TOOLS_STORESTATS_H
