#include "Interactive.h"

#include <cstdio>
#include <string>
#include <vector>

#include "HeapUse.h"
#include "LineEditor.h"
#include "StoreStats.h"
#include "StringBridge.h"
#include "ToolError.h"

namespace rorirer {
namespace {

const char kHelp[] =
    "Type text; Tab completes the word before the cursor, a second Tab lists\n"
    "the completions, and a dim hint shows the rest of the only word that fits.\n"
    "Words of entered lines are learned.\n"
    "  :forget WORD   remove WORD from the store\n"
    "  :stats         words, nodes and memory of the store\n"
    "  :skip          toggle completing past a prefix that is itself a word (also Alt-s)\n"
    "  :help          this text\n"
    "  Ctrl-D         quit\n";

class Session {
public:
    Session(LinkedTrie& store, const Options& options, const WordChars& chars,
            const LoadSummary& load)
        : store_(store),
          options_(options),
          chars_(chars),
          load_(load),
          storeHeapBytes_(load.heapBytes),
          skipPrefixWord_(options.skipPrefixWord) {}

    int run() {
        std::printf("%ld words. Tab completes, :help lists commands, Ctrl-D quits.\n",
                    store_.getWordCount());
        LineEditor editor(store_, chars_, skipPrefixWord_);
        std::string line;
        while (editor.readLine("> ", line)) {
            if (!line.empty() && line[0] == ':')
                runCommand(line);
            else
                learn(line);
            std::fflush(stdout);
        }
        std::printf("\n");
        return kExitOk;
    }

private:
    void learn(const std::string& line) {
        std::vector<std::string> learned;
        WordSplitter splitter(chars_, options_.numbers);
        auto insert = [&](const std::string& word) {
            if (insertWord(word)) learned.push_back(word);
        };
        splitter.feed(line.data(), line.size(), insert);
        splitter.finish(insert);
        if (learned.empty()) return;
        std::string note = "learned:";
        for (const std::string& word : learned) note += " " + word;
        std::printf("%s\n", note.c_str());
    }

    // The heap is measured around the store's own changes only: the line
    // editor and its history allocate too, and are no part of the store.
    bool insertWord(const std::string& word) {
        const long long before = heapBytesInUse();
        const bool inserted = store_.insertString(toCString(word));
        trackHeap(before);
        return inserted;
    }

    bool removeWord(const std::string& word) {
        const long long before = heapBytesInUse();
        const bool removed = store_.removeString(toCString(word));
        trackHeap(before);
        return removed;
    }

    void trackHeap(long long before) {
        const long long after = heapBytesInUse();
        if (storeHeapBytes_ >= 0 && before >= 0 && after >= 0) storeHeapBytes_ += after - before;
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
            } else if (removeWord(argument)) {
                std::printf("forgot: %s\n", argument.c_str());
            } else {
                std::printf("not stored: %s\n", argument.c_str());
            }
        } else if (name == ":stats") {
            StoreStats stats = collectStats(store_, load_);
            stats.heapBytes = storeHeapBytes_;
            std::fputs(formatStats(stats).c_str(), stdout);
        } else if (name == ":skip") {
            skipPrefixWord_ = !skipPrefixWord_;
            std::printf("skip prefix word: %s\n", skipPrefixWord_ ? "on" : "off");
        } else if (name == ":help") {
            std::fputs(kHelp, stdout);
        } else {
            std::printf("unknown command %s (try :help)\n", name.c_str());
        }
    }

    LinkedTrie& store_;
    const Options& options_;
    const WordChars& chars_;
    const LoadSummary& load_;
    long long storeHeapBytes_;  // -1: unknown
    bool skipPrefixWord_;
};

}  // namespace

int runInteractive(LinkedTrie& store, const Options& options, const WordChars& chars,
                   const LoadSummary& load) {
    return Session(store, options, chars, load).run();
}

}  // namespace rorirer
