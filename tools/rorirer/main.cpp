// rorirer: word completion on a real word list, interactive on a terminal and
// in batch for scripts and editor plugins.
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <exception>
#include <memory>
#include <new>

#include "Batch.h"
#include "CompiledList.h"
#include "HeapUse.h"
#include "Interactive.h"
#include "LanguageServerCommand.h"
#include "ListCommands.h"
#include "Options.h"
#include "PersonalWords.h"
#include "StandardOutput.h"
#include "ToolError.h"
#include "WordSources.h"
#include "completion/CompletionStore.h"
#include "completion/WordRules.h"
#include "personal/PersonalList.h"

#ifndef RORIRER_VERSION
#define RORIRER_VERSION "unknown"
#endif

namespace rorirer {
namespace {

// Standard input can feed one thing only: one word source or the prefixes.
void checkStandardInputUse(const Options& options) {
    int readers = options.prefixesFromStdin ? 1 : 0;
    for (const WordSource& source : options.sources)
        if (source.path == "-") ++readers;
    if (readers > 1) throw ToolError("standard input is given more than once");
    if (readers > 0 && options.command == Command::kLsp)
        throw ToolError(
            "standard input carries the language server's messages; give word "
            "sources as files");
}

WordRules wordRulesOf(const Options& options) {
    if (options.wordChars.empty()) return WordRules();
    try {
        return WordRules::parse(options.wordChars);
    } catch (const WordRulesError& error) {
        throw ToolError(error.what());
    }
}

// The personal list goes over the word sources, unless --no-learn. One that
// cannot be read is told once and left alone: the run goes on without it.
std::unique_ptr<PersonalList> loadPersonalWords(CompletionStore& store, const Options& options,
                                                LoadSummary& load) {
    if (!options.learn) return nullptr;
    auto list = std::make_unique<PersonalList>(
        options.wordsFile.empty() ? PersonalList::defaultPath() : options.wordsFile);
    const ListStatus loaded = list->load();
    if (!loaded.ok()) {
        std::fprintf(stderr, "rorirer: %s (going on without the personal word list)\n",
                     loaded.message().c_str());
        return list;
    }
    const long long before = heapBytesInUse();
    applyPersonalList(store, *list);
    const long long after = heapBytesInUse();
    if (load.heapBytes >= 0 && before >= 0 && after >= 0) load.heapBytes += after - before;
    return list;
}

int run(int argc, char** argv) {
    Options options = parseOptions(argc, argv);
    if (options.command == Command::kHelp) {
        std::fputs(usageText(), stdout);
        return kExitOk;
    }
    if (options.command == Command::kVersion) {
        std::printf("rorirer %s\n", RORIRER_VERSION);
        return kExitOk;
    }
    adoptCompiledOptions(options);
    const WordRules rules = wordRulesOf(options);
    if (options.command == Command::kLearn || options.command == Command::kForget)
        return runListCommand(options, rules);
    if (options.command == Command::kCompile) {
        checkStandardInputUse(options);
        return runCompile(options, rules);
    }

    const bool interactive = options.command == Command::kDefault && ::isatty(STDIN_FILENO) == 1;
    if (options.command == Command::kDefault && !interactive) {
        options.command = Command::kComplete;
        options.prefixesFromStdin = true;
    }
    checkStandardInputUse(options);
    if (interactive) {
        for (const WordSource& source : options.sources)
            if (source.path == "-")
                throw ToolError("standard input is the terminal; give word sources as files");
    }

    // The server builds its own store, and builds it again when the client
    // changes what it holds.
    if (options.command == Command::kLsp) return runLanguageServer(options, rules);

    CompletionStore store(options.minLength);
    LoadSummary load = loadStore(store, options, rules);
    const std::unique_ptr<PersonalList> list = loadPersonalWords(store, options, load);
    warnIfEmpty(store, load);
    if (interactive) return runInteractive(store, options, rules, load, list.get());
    if (options.command == Command::kStats) return runStats(store, options, load, list.get());
    return runComplete(store, options);
}

}  // namespace
}  // namespace rorirer

namespace {

// The answers written before the fault go out before its message, so that
// a reader of both streams sees them in the order they happened.
int report(const char* message, int status) {
    std::fflush(stdout);
    std::fprintf(stderr, "rorirer: %s\n", message);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    // The line editor measures and moves over UTF-8 characters only when it
    // knows the terminal's character set.
    std::setlocale(LC_CTYPE, "");
    try {
        const int status = rorirer::run(argc, argv);
        rorirer::flushOutput();
        return status;
    } catch (const rorirer::ToolError& error) {
        return report(error.what(), error.status());
    } catch (const std::bad_alloc&) {
        return report("out of memory", rorirer::kExitUsage);
    } catch (const std::exception& error) {
        return report(error.what(), rorirer::kExitUsage);
    }
}
