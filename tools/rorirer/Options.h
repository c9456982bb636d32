// The command line: what to load, which command to run and how to print.
#ifndef RORIRER_TOOLS_OPTIONS_H
#define RORIRER_TOOLS_OPTIONS_H

#include <string>
#include <vector>

#include "completion/Query.h"

namespace rorirer {

struct WordSource {
    enum Kind { kDict, kText };
    Kind kind;
    std::string path;  // "-" is standard input
    // Named by the language server's client rather than on the command
    // line: only a regular file is read.
    bool regularFileOnly = false;
};

enum class Command {
    kDefault,
    kComplete,
    kStats,
    kLsp,
    kLearn,
    kForget,
    kCompile,
    kHelp,
    kVersion
};

struct Options {
    Command command = Command::kDefault;
    std::vector<WordSource> sources;  // empty: the built-in list
    std::string wordChars;            // empty: the default set
    bool numbers = false;
    long minLength = 3;
    // Whether --min-length was given: a compiled list's own holds otherwise.
    bool minLengthGiven = false;
    // False with --no-cache: no compiled list is kept or read from the cache.
    bool cache = true;
    // Where `compile` writes the compiled list (-o).
    std::string output;
    // --case, --sort, --no-fuzzy, --skip-prefix-word and --max (without it,
    // no bound).
    QueryStyle style = QueryStyle().withLimit(QueryStyle::kNoLimit);
    bool json = false;
    bool unique = false;
    std::vector<std::string> prefixes;
    bool prefixesFromStdin = false;
    // The personal word list; empty: PersonalList::defaultPath().
    std::string wordsFile;
    // False with --no-learn: the personal list is neither read nor written.
    bool learn = true;
    std::vector<std::string> words;  // of `learn` and `forget`
    // The language server's client process; 0: none named.
    long clientProcessId = 0;
};

// Throws ToolError (status 2) with a one-line message for anything malformed.
Options parseOptions(int argc, char** argv);

// The name --case takes for a mode ("infer"), as JSON reports it.
const char* caseModeName(CaseMode mode);

const char* usageText();

}  // namespace rorirer

#endif  // RORIRER_TOOLS_OPTIONS_H
