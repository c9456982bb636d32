// Compiled lists: the store that the word sources build, kept as an image
// (completion/StoreImage.h) so that a later start reads it instead of
// building it again.
//
// Unless --no-cache, the program keeps one image per set of sources and
// options in $XDG_CACHE_HOME/rorirer (~/.cache/rorirer), keyed by the build
// of the program, the options that shape the store (--min-length,
// --word-chars, --numbers) and each source's path, size, times and
// checksum. An image that is stale, cut short, damaged or another build's
// is told on standard error and built again; one that cannot be kept (a
// folder that cannot be written, a full disk) is told and the run goes on.
// Images are written to a temporary file and renamed into place, so two
// runs compiling the same list at once leave one whole image.
//
// `rorirer compile` writes an image anywhere, to be given to --dict like a
// word list: its options then hold, and one given on the command line that
// differs is an error.
#ifndef RORIRER_TOOLS_COMPILEDLIST_H
#define RORIRER_TOOLS_COMPILEDLIST_H

#include "Options.h"
#include "WordSources.h"
#include "completion/CompletionStore.h"
#include "completion/WordRules.h"

namespace rorirer {

// When the first --dict names a compiled list, its options become the run's
// (before the word rules are made from them). Throws ToolError when one
// given on the command line differs, when the list is another build's, or
// when a compiled list is not the first source.
void adoptCompiledOptions(Options& options);

// Fills the empty `store` for `options`: from a compiled list, or from the
// cache's image of the sources, or from the sources themselves, keeping an
// image for the next run. Throws ToolError as loadWordSources does.
LoadSummary loadStore(CompletionStore& store, const Options& options, const WordRules& rules);

// rorirer compile: builds the store from the sources and writes its image
// to options.output, replacing it atomically. Returns the exit status.
int runCompile(const Options& options, const WordRules& rules);

}  // namespace rorirer

#endif  // RORIRER_TOOLS_COMPILEDLIST_H
