#include "Interactive.h"

#include <unistd.h>

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "Learning.h"
#include "LineEditor.h"
#include "StoreStats.h"
#include "ToolError.h"

namespace rorirer {
namespace {

const char kHelp[] =
    "Type text; Tab completes the word before the cursor, a second Tab lists\n"
    "the best candidates, and a dim hint shows the rest of the only word that\n"
    "fits (Right or Ctrl-F takes it). Words of entered lines are learned; a\n"
    "new word is kept in the personal word list once it is entered again in a\n"
    "later session or taken with Tab or the hint (unless --no-learn).\n"
    "  :forget WORD   remove WORD, in this session and the next ones\n"
    "  :stats         words, nodes and memory of the store\n"
    "  :skip          toggle completing past a prefix that is itself a word (also Alt-s)\n"
    "  :help          this text\n"
    "  Ctrl-C         drop the line being typed\n"
    "  Ctrl-D         quit\n";

void warn(const std::string& message) {
    if (!message.empty()) std::fprintf(stderr, "rorirer: %s\n", message.c_str());
}

// Where the line being edited is drawn: standard output, or, when that goes
// to a file, standard error, as shells put their prompt; the session's
// answers go to standard output either way.
std::FILE* terminalOutput() {
    if (::isatty(STDOUT_FILENO) == 1) return stdout;
    if (::isatty(STDERR_FILENO) == 1) return stderr;
    throw ToolError(
        "neither standard output nor standard error is a terminal, so a session has nowhere "
        "to show the line being typed (for answers in a file, give a command: rorirer "
        "complete)");
}

class Session {
public:
    Session(CompletionStore& store, const Options& options, const WordRules& rules,
            const LoadSummary& load, PersonalList* list)
        : store_(store),
          options_(options),
          rules_(rules),
          load_(load),
          learning_(store, list),
          pairs_(rules, options.numbers),
          style_(options.style) {}

    int run() {
        std::FILE* terminal = terminalOutput();
        std::fprintf(terminal, "%zu words. Tab completes, :help lists commands, Ctrl-D quits.\n",
                     store_.wordCount());
        std::fflush(terminal);
        {
            LineEditor editor(store_, rules_, style_, terminal);
            editor.onTaken([this](const std::string& word) { learning_.taken(word); });
            if (learning_.enabled()) editor.useContext(&pairs_);
            std::string line;
            while (editor.readLine("> ", line)) {
                if (!line.empty() && line[0] == ':')
                    runCommand(line);
                else
                    learn(line);
                std::fflush(stdout);
                warn(learning_.save());
            }
            std::fputc('\n', terminal);
            std::fflush(terminal);
            warn(editor.saveHistory());
        }
        warn(learning_.saveAtExit());
        // Words the user was told were learned, or forgotten, are not: the
        // session did not do what it said.
        return learning_.allSaved() ? kExitOk : kExitUsage;
    }

private:
    void learn(const std::string& line) {
        std::string problem;
        const Learning::LineWords fresh =
            learning_.learnLine(line, rules_, options_.numbers, problem);
        try {
            pairs_.addLine(line);
        } catch (const std::bad_alloc&) {
            // Only the line's pairs are lost: completion ranks without them.
        }
        tell("learned:", fresh.learned);
        tell("learned for this session:", fresh.held);
        if (!problem.empty()) std::printf("%s\n", problem.c_str());
    }

    static void tell(const char* what, const std::vector<std::string>& words) {
        if (words.empty()) return;
        std::string note = what;
        for (const std::string& word : words) note += " " + word;
        std::printf("%s\n", note.c_str());
    }

    void runCommand(const std::string& line) {
        const size_t space = line.find(' ');
        const std::string name = line.substr(0, space);
        std::string argument = space == std::string::npos ? "" : line.substr(space + 1);
        while (!argument.empty() && argument.front() == ' ') argument.erase(0, 1);
        while (!argument.empty() && argument.back() == ' ') argument.pop_back();

        if (name == ":forget") {
            if (argument.empty()) {
                std::printf(":forget needs a word\n");
            } else if (learning_.forget(argument)) {
                std::printf("forgot: %s\n", argument.c_str());
            } else {
                std::printf("not stored: %s\n", argument.c_str());
            }
        } else if (name == ":stats") {
            StoreStats stats = collectStats(store_, load_);
            if (stats.heapBytes >= 0) stats.heapBytes += learning_.storeHeapChange();
            stats.pendingWords = learning_.pendingWords();
            std::fputs(formatStats(stats).c_str(), stdout);
        } else if (name == ":skip") {
            style_.skipPrefixWord = !style_.skipPrefixWord;
            std::printf("skip prefix word: %s\n", style_.skipPrefixWord ? "on" : "off");
        } else if (name == ":help") {
            std::fputs(kHelp, stdout);
        } else {
            std::printf("unknown command %s (try :help)\n", name.c_str());
        }
    }

    CompletionStore& store_;
    const Options& options_;
    const WordRules& rules_;
    const LoadSummary& load_;
    Learning learning_;
    // Which word followed which in the lines entered: the session's own
    // text, as a document is the server's. Not kept across sessions.
    SessionPairs pairs_;
    // The command line's, and Alt-s's.
    QueryStyle style_;
};

}  // namespace

int runInteractive(CompletionStore& store, const Options& options, const WordRules& rules,
                   const LoadSummary& load, PersonalList* list) {
    return Session(store, options, rules, load, list).run();
}

}  // namespace rorirer
