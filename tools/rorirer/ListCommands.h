// `rorirer learn WORD...` and `rorirer forget WORD...`: the personal word list
// changed from scripts, without a session.
#ifndef RORIRER_TOOLS_LISTCOMMANDS_H
#define RORIRER_TOOLS_LISTCOMMANDS_H

#include "Options.h"
#include "completion/WordRules.h"

namespace rorirer {

// Loads the list, records every word, saves it and returns 0; throws
// ToolError (status 2) before changing anything when a word is not one the
// list can take, and when the list cannot be read or saved. A word to learn
// must be one word by the word rules that the store accepts.
int runListCommand(const Options& options, const WordRules& rules);

}  // namespace rorirer

#endif  // RORIRER_TOOLS_LISTCOMMANDS_H
