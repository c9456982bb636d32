#include "LanguageServerCommand.h"

#include <unistd.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <cstdio>
#include <string>
#include <utility>

#include "CompiledList.h"
#include "PersonalWords.h"
#include "ToolError.h"
#include "WordSources.h"
#include "completion/CompletionStore.h"
#include "lsp/LanguageServer.h"
#include "lsp/ServerWords.h"
#include "lsp/WordCompletion.h"
#include "personal/PersonalList.h"

namespace rorirer {
namespace {

// The words the user taught in earlier sessions join without being marked
// as used in this one; the words they had the program forget go, whatever
// brought them. The server never writes the list: the program's learn and
// forget commands do.
void addPersonalWords(CompletionStore& store, const Options& options) {
    if (!options.learn) return;
    const std::string path =
        options.wordsFile.empty() ? PersonalList::defaultPath() : options.wordsFile;
    if (path.empty()) return;
    PersonalList list(path);
    const ListStatus loaded = list.load();
    if (!loaded.ok()) {
        std::fprintf(stderr, "rorirer lsp: %s (going on without the personal word list)\n",
                     loaded.message().c_str());
        return;
    }
    applyPersonalList(store, list);
}

// Loading frees what it read (the lists' bytes, the words handed to the
// store, the store's own build buffers) in pieces the allocator keeps; the
// server then runs for hours with them counted against it.
void giveBackFreedMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

bool namedOnCommandLine(const Options& options, const std::string& path) {
    for (const WordSource& source : options.sources)
        if (source.kind == WordSource::kDict && source.path == path) return true;
    return false;
}

// The command line's sources with the client's dictionaries in place of
// the --dict files; the --text files stay. A dictionary the client names
// must be a regular file: standard input ("-", /dev/stdin) carries the
// client's messages, and a pipe or a device may never end, so reading one
// would stop the server for good. The loader checks the file it opened.
Options sourcesFor(const Options& options, const lsp::Settings& settings) {
    Options sources = options;
    sources.sources.clear();
    for (const std::string& path : settings.dictionaries) {
        const bool fromClient = !namedOnCommandLine(options, path);
        if (fromClient && path == "-")
            throw ToolError(path + ": not a regular file; a dictionary must be one");
        sources.sources.push_back({WordSource::kDict, path, fromClient});
    }
    for (const WordSource& source : options.sources)
        if (source.kind == WordSource::kText) sources.sources.push_back(source);
    return sources;
}

}  // namespace

int runLanguageServer(const Options& options, const WordRules& rules) {
    lsp::ServerSetup setup;
    for (const WordSource& source : options.sources)
        if (source.kind == WordSource::kDict) setup.defaults.dictionaries.push_back(source.path);
    setup.defaults.minLength = options.minLength;
    // The command line's way of asking, as the client's settings may change it.
    setup.defaults.style.caseMode = options.style.caseMode;
    setup.defaults.style.sortOrder = options.style.sortOrder;
    setup.defaults.style.fuzzy = options.style.fuzzy;
    setup.clientProcessId = options.clientProcessId;

    lsp::ServerWords words(
        rules, options.numbers,
        [&options, &rules](CompletionStore& store, const lsp::Settings& settings) {
            loadStore(store, sourcesFor(options, settings), rules);
            addPersonalWords(store, options);
        });
    words.load(setup.defaults);
    giveBackFreedMemory();
    lsp::WordCompletion completion(words, rules, options.numbers);
    setup.completion = &completion;
    setup.lineObservers = words.observers();
    setup.idleWorkPending = [&words] { return words.idleWorkPending(); };
    setup.doIdleWork = [&words] { words.doIdleWork(); };
    setup.settingsChanged = [&words](const lsp::Settings& settings) {
        words.applySettings(settings);
        giveBackFreedMemory();
    };
    return lsp::runServer(STDIN_FILENO, STDOUT_FILENO, std::move(setup));
}

}  // namespace rorirer
