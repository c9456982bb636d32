// rorirer lsp: the language server on standard input and output.
#ifndef RORIRER_TOOLS_LANGUAGESERVERCOMMAND_H
#define RORIRER_TOOLS_LANGUAGESERVERCOMMAND_H

#include "Options.h"
#include "completion/CompletionStore.h"
#include "completion/WordRules.h"

namespace rorirer {

// Serves one client until it leaves; returns the exit status (0 after
// shutdown and exit, 1 otherwise). `store` holds the command line's words.
int runLanguageServer(CompletionStore& store, const Options& options, const WordRules& rules);

}  // namespace rorirer

#endif  // RORIRER_TOOLS_LANGUAGESERVERCOMMAND_H
