// rorirer lsp: the language server on standard input and output.
#ifndef RORIRER_TOOLS_LANGUAGESERVERCOMMAND_H
#define RORIRER_TOOLS_LANGUAGESERVERCOMMAND_H

#include "Options.h"
#include "completion/WordRules.h"

namespace rorirer {

// Loads the words of the command line's sources (the client's settings may
// name other dictionaries later) and the personal word list, then serves
// one client until it leaves; returns the exit status (0 after shutdown
// and exit, 1 otherwise). Throws ToolError when a source named on the
// command line cannot be used.
int runLanguageServer(const Options& options, const WordRules& rules);

}  // namespace rorirer

#endif  // RORIRER_TOOLS_LANGUAGESERVERCOMMAND_H
