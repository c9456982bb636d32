// The interactive mode: the user types text, completes words with Tab, and
// every long enough word of an entered line is learned, as an editor would.
// Lines starting with ':' are commands (:forget, :stats, :skip, :help).
#ifndef RORIRER_TOOLS_INTERACTIVE_H
#define RORIRER_TOOLS_INTERACTIVE_H

#include "Options.h"
#include "WordChars.h"
#include "WordSources.h"
#include "wordstore/LinkedTrie.h"

namespace rorirer {

int runInteractive(LinkedTrie& store, const Options& options, const WordChars& chars,
                   const LoadSummary& load);

}  // namespace rorirer

#endif  // RORIRER_TOOLS_INTERACTIVE_H
