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
           name == "--min-length" || name == "--max";
}

Command commandNamed(const std::string& name) {
    if (name == "complete") return Command::kComplete;
    if (name == "stats") return Command::kStats;
    if (name == "lsp") return Command::kLsp;
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
        } else if (name == "--max") {
            options.maxCompletions = parseCount(name, value);
        } else if (name == "--numbers") {
            options.numbers = true;
        } else if (name == "--json") {
            options.json = true;
        } else if (name == "--unique") {
            options.unique = true;
        } else if (name == "--skip-prefix-word") {
            options.skipPrefixWord = true;
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
    return options;
}

const char* usageText() {
    return "usage: rorirer [OPTIONS]                    interactive completion on a terminal\n"
           "       rorirer [OPTIONS] complete [PREFIX...]  report completions (prefixes one per\n"
           "                                                line on stdin when none are given)\n"
           "       rorirer [OPTIONS] stats                   words, nodes, memory, build time\n"
           "       rorirer [OPTIONS] lsp                     language server on stdin and stdout\n"
           "                                                (also --stdio), for editors\n"
           "\n"
           "word sources (repeatable, '-' is standard input; default: the built-in list)\n"
           "  --dict FILE         one word per line\n"
           "  --text FILE         any text, split into words\n"
           "  --word-chars SET    word characters for --text and typed lines, e.g. 'a-zA-Z_'\n"
           "                      (default: letters, digits, '_' and bytes 0x80-0xff)\n"
           "  --numbers           keep words made only of digits\n"
           "  --min-length N      shortest word the store accepts (default 5)\n"
           "\n"
           "output of complete\n"
           "  --max N             list at most N completions per prefix\n"
           "  --json              one JSON object per prefix and line\n"
           "  --unique            print only the unique completion; exit 1 if one is missing\n"
           "  --skip-prefix-word  complete past a prefix that is itself a word\n"
           "\n"
           "exit status: 0 success, 1 no match, 2 bad usage or unreadable input\n";
}

}  // namespace rorirer
