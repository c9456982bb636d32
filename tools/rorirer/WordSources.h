// Filling the store from the word sources on the command line, or from the
// built-in list when none is given.
#ifndef RORIRER_TOOLS_WORDSOURCES_H
#define RORIRER_TOOLS_WORDSOURCES_H

#include "Options.h"
#include "WordChars.h"
#include "wordstore/LinkedTrie.h"

namespace rorirer {

struct LoadSummary {
    long long offered = 0;  // words handed to the store, duplicates and short ones included
    double seconds = 0;
    long long heapBytes = -1;  // growth of the heap while loading; -1 when unknown
};

// Throws ToolError naming the source at the first unusable input; the store
// then holds the words loaded before it.
LoadSummary loadWordSources(LinkedTrie& store, const Options& options, const WordChars& chars);

}  // namespace rorirer

#endif  // RORIRER_TOOLS_WORDSOURCES_H
