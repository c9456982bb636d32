// Filling the store from the word sources on the command line, or from the
// built-in list when none is given. Word lists (the built-in one and --dict)
// go in through the layer's bulk path with their count column; texts
// (--text) are split by the word rules and each word goes in with its
// number of occurrences. Words made of digits alone stay out unless
// --numbers. Every source holds words of at most kMaxLineLength bytes.
#ifndef RORIRER_TOOLS_WORDSOURCES_H
#define RORIRER_TOOLS_WORDSOURCES_H

#include <cstddef>

#include "Options.h"
#include "Progress.h"
#include "completion/CompletionStore.h"
#include "completion/WordRules.h"

namespace rorirer {

// What one source may make the program hold, whatever it holds. A word
// list is read whole, so one larger than kMaxListBytes is refused before it
// is read. A source whose words would add more than kMaxSourceNodes nodes
// to the word tree is refused before any of them goes in: nodes, not bytes
// or words, are what a list costs, and words that share no prefixes (random
// bytes) cost many times their size in them.
constexpr std::size_t kMaxListBytes = std::size_t{256} << 20;
constexpr long long kMaxSourceNodes = 32LL << 20;

struct LoadSummary {
    long long offered = 0;  // words handed to the store, duplicates and short ones included
    double seconds = 0;
    long long heapBytes = -1;  // growth of the heap while loading; -1 when unknown
};

// Throws ToolError naming the source (and the line) at the first unusable
// input; the store then holds the words of the sources before it. Every
// stage of the load is shown on `progress`.
LoadSummary loadWordSources(CompletionStore& store, const Options& options, const WordRules& rules,
                            Progress& progress);

// Warns on standard error when the store holds no word at all, saying why:
// no prefix could ever be completed, which is surely not what was meant.
void warnIfEmpty(const CompletionStore& store, const LoadSummary& load);

}  // namespace rorirer

#endif  // RORIRER_TOOLS_WORDSOURCES_H
