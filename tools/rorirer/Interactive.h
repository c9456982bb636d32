// The interactive mode: the user types text, completes words with Tab, and
// every word of an entered line that the store accepts is learned and kept in
// the personal word list, as an editor learns the words of its buffer. Lines
// starting with ':' are commands (:forget, :stats, :skip, :help).
#ifndef RORIRER_TOOLS_INTERACTIVE_H
#define RORIRER_TOOLS_INTERACTIVE_H

#include "Options.h"
#include "WordSources.h"
#include "completion/CompletionStore.h"
#include "completion/WordRules.h"
#include "personal/PersonalList.h"

namespace rorirer {

// `list` is null with --no-learn.
int runInteractive(CompletionStore& store, const Options& options, const WordRules& rules,
                   const LoadSummary& load, PersonalList* list);

}  // namespace rorirer

#endif  // RORIRER_TOOLS_INTERACTIVE_H
