// The batch commands: `complete` and `stats`, for scripts and editor plugins.
#ifndef RORIRER_TOOLS_BATCH_H
#define RORIRER_TOOLS_BATCH_H

#include "Options.h"
#include "WordSources.h"
#include "wordstore/LinkedTrie.h"

namespace rorirer {

// Reports each prefix; returns the exit status (0, or 1 when a prefix had no
// completion, or with --unique no unique completion).
int runComplete(LinkedTrie& store, const Options& options);
int runStats(LinkedTrie& store, const Options& options, const LoadSummary& load);

}  // namespace rorirer

#endif  // RORIRER_TOOLS_BATCH_H
