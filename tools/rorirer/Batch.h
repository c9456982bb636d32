// The batch commands: `complete` and `stats`, for scripts and editor plugins.
#ifndef RORIRER_TOOLS_BATCH_H
#define RORIRER_TOOLS_BATCH_H

#include "Options.h"
#include "WordSources.h"
#include "completion/CompletionStore.h"
#include "personal/PersonalList.h"

namespace rorirer {

// Reports each prefix; returns the exit status (0, or 1 when a prefix had no
// candidate, or with --unique no unique completion). A blank line among the
// prefixes read from standard input gets an empty answer and leaves the
// status alone; no prefixes at all is nothing to do.
int runComplete(const CompletionStore& store, const Options& options);
// `list` is null under --no-learn.
int runStats(const CompletionStore& store, const Options& options, const LoadSummary& load,
             const PersonalList* list);

}  // namespace rorirer

#endif  // RORIRER_TOOLS_BATCH_H
