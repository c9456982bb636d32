#include "Options.h"

#include <cerrno>
#include <cstdlib>

#include "ToolError.h"

namespace rorirer {
namespace {

long parseCount(const std::string& option, const std::string& value) {
    if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos)
        throw ToolError(option + ": expected a non-negative number, got '" + value + "'");
    errno = 0;
    const unsigned long long number = std::strtoull(value.c_str(), nullptr, 10);
    if (errno == ERANGE || number > 1000000000ULL)
        throw ToolError(option + ": " + value + " is too large");
    return static_cast<long>(number);
}

// Splits "--name=value" so that both spellings of a valued option work.
bool splitInlineValue(const std::string& arg, std::string& name, std::string& value) {
    const size_t equals = arg.find('=');
    if (arg.compare(0, 2, "--") != 0 || equals == std::string::npos) {
        name = arg;
        return false;
    }
    name = arg.substr(0, equals);
    value = arg.substr(equals + 1);
    return true;
}

bool takesValue(const std::string& name) {
    return name == "--dict" || name == "--text" || name == "--word-chars" ||
           name == "--min-length" || name == "--max" || name == "--case" || name == "--sort" ||
           name == "--words-file" || name == "--clientProcessId" || name == "-o" ||
           name == "--output";
}

CaseMode caseModeNamed(const std::string& value) {
    for (const CaseMode mode :
         {CaseMode::kExact, CaseMode::kIgnore, CaseMode::kSmart, CaseMode::kInfer})
        if (value == caseModeName(mode)) return mode;
    throw ToolError("--case: expected exact, ignore, smart or infer, got '" + value + "'");
}

SortOrder sortOrderNamed(const std::string& value) {
    if (value == "rank") return SortOrder::kRank;
    if (value == "alpha") return SortOrder::kAlpha;
    throw ToolError("--sort: expected rank or alpha, got '" + value + "'");
}

Command commandNamed(const std::string& name) {
    if (name == "complete") return Command::kComplete;
    if (name == "stats") return Command::kStats;
    if (name == "lsp") return Command::kLsp;
    if (name == "learn") return Command::kLearn;
    if (name == "forget") return Command::kForget;
    if (name == "compile") return Command::kCompile;
    if (name == "help") return Command::kHelp;
    throw ToolError("unknown command '" + name + "' (try 'rorirer --help')");
}

}  // namespace

Options parseOptions(int argc, char** argv) {
    Options options;
    bool commandSeen = false;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool isOption = !optionsEnded && arg.size() > 1 && arg[0] == '-';
        if (!isOption) {
            if (!commandSeen) {
                options.command = commandNamed(arg);
                commandSeen = true;
            } else if (options.command == Command::kComplete) {
                options.prefixes.push_back(arg);
            } else if (options.command == Command::kLearn || options.command == Command::kForget) {
                options.words.push_back(arg);
            } else if (options.command == Command::kCompile) {
                options.sources.push_back({WordSource::kDict, arg});
            } else {
                throw ToolError("unexpected argument '" + arg + "'");
            }
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name;
        std::string value;
        const bool inlineValue = splitInlineValue(arg, name, value);
        if (takesValue(name)) {
            if (!inlineValue) {
                if (i + 1 >= argc) throw ToolError(name + ": missing value");
                value = argv[++i];
            }
        } else if (inlineValue) {
            throw ToolError(name + ": takes no value");
        }

        if (name == "--dict" || name == "--text") {
            if (value.empty()) throw ToolError(name + ": empty file name");
            options.sources.push_back(
                {name == "--dict" ? WordSource::kDict : WordSource::kText, value});
        } else if (name == "--word-chars") {
            if (value.empty()) throw ToolError("--word-chars: the set is empty");
            options.wordChars = value;
        } else if (name == "--min-length") {
            options.minLength = parseCount(name, value);
            options.minLengthGiven = true;
        } else if (name == "--max") {
            options.style.limit = static_cast<std::size_t>(parseCount(name, value));
        } else if (name == "--case") {
            options.style.caseMode = caseModeNamed(value);
        } else if (name == "--sort") {
            options.style.sortOrder = sortOrderNamed(value);
        } else if (name == "--no-fuzzy") {
            options.style.fuzzy = false;
        } else if (name == "--words-file") {
            if (value.empty()) throw ToolError("--words-file: empty file name");
            options.wordsFile = value;
        } else if (name == "--clientProcessId") {
            // What some editors pass to a server they start, beside the
            // processId of initialize.
            options.clientProcessId = parseCount(name, value);
        } else if (name == "-o" || name == "--output") {
            if (value.empty()) throw ToolError(name + ": empty file name");
            options.output = value;
        } else if (name == "--no-cache") {
            options.cache = false;
        } else if (name == "--no-learn") {
            options.learn = false;
        } else if (name == "--numbers") {
            options.numbers = true;
        } else if (name == "--json") {
            options.json = true;
        } else if (name == "--unique") {
            options.unique = true;
        } else if (name == "--skip-prefix-word") {
            options.style.skipPrefixWord = true;
        } else if (name == "-h" || name == "--help") {
            options.command = Command::kHelp;
        } else if (name == "--stdio") {
            // What editors pass to a language server they start on pipes.
            options.command = Command::kLsp;
        } else if (name == "--version") {
            options.command = Command::kVersion;
        } else {
            throw ToolError("unknown option '" + name + "' (try 'rorirer --help')");
        }
    }
    if (options.command == Command::kComplete && options.prefixes.empty())
        options.prefixesFromStdin = true;
    if (options.command == Command::kCompile && options.output.empty())
        throw ToolError("compile: give the file to write with -o FILE");
    if (options.command != Command::kCompile && !options.output.empty())
        throw ToolError("-o: only compile writes a file");
    if ((options.command == Command::kLearn || options.command == Command::kForget) &&
        options.words.empty())
        throw ToolError(std::string(options.command == Command::kLearn ? "learn" : "forget") +
                        ": give at least one word");
    return options;
}

const char* caseModeName(CaseMode mode) {
    switch (mode) {
        case CaseMode::kExact:
            return "exact";
        case CaseMode::kIgnore:
            return "ignore";
        case CaseMode::kSmart:
            return "smart";
        case CaseMode::kInfer:
            break;
    }
    return "infer";
}

}  // namespace rorirer
