// rorirer: word completion on a real word list, interactive on a terminal and
// in batch for scripts and editor plugins.
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <exception>
#include <new>

#include "Batch.h"
#include "Interactive.h"
#include "LanguageServerCommand.h"
#include "Options.h"
#include "ToolError.h"
#include "WordChars.h"
#include "WordSources.h"
#include "wordstore/LinkedTrie.h"

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
    if (options.command == Command::kLsp) return runLanguageServer(options);

    const WordChars chars =
        options.wordChars.empty() ? WordChars() : WordChars::parse(options.wordChars);
    LinkedTrie store(options.minLength);
    const LoadSummary load = loadWordSources(store, options, chars);

    if (interactive) return runInteractive(store, options, chars, load);
    if (options.command == Command::kStats) return runStats(store, options, load);
    return runComplete(store, options);
}

}  // namespace
}  // namespace rorirer

int main(int argc, char** argv) {
    // The line editor measures and moves over UTF-8 characters only when it
    // knows the terminal's character set.
    std::setlocale(LC_CTYPE, "");
    try {
        return rorirer::run(argc, argv);
    } catch (const rorirer::ToolError& error) {
        std::fprintf(stderr, "rorirer: %s\n", error.what());
        return error.status();
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "rorirer: out of memory\n");
        return rorirer::kExitUsage;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "rorirer: %s\n", error.what());
        return rorirer::kExitUsage;
    }
}
