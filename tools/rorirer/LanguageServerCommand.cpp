#include "LanguageServerCommand.h"

#include <unistd.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "BuiltinWords.h"
#include "InputFile.h"
#include "ToolError.h"
#include "completion/CompletionStore.h"
#include "completion/DictionaryLine.h"
#include "completion/PersonalList.h"
#include "completion/WordRules.h"
#include "completion/WordSplitter.h"
#include "lsp/LanguageServer.h"
#include "lsp/ServerWords.h"
#include "lsp/WordCompletion.h"

namespace rorirer {
namespace {

// The words of word lists and texts, each list's lines pointing into its
// bytes, read whole, so that the layer takes all the words of a kind at
// once (in bulk when there are many) with no copy of each word.
class WordSourceWords {
public:
    std::vector<CompletionStore::WordCount> dictionary;
    std::vector<CompletionStore::WordCount> text;

    void readBuiltinList() {
        const BuiltinWords words = builtinWords();
        addLines(std::string_view(words.data, words.size), nullptr);
    }

    void readDictionary(const std::string& path) {
        InputFile input(path);
        std::string& bytes = files_.emplace_back();
        if (input.size() > 0) bytes.reserve(static_cast<std::size_t>(input.size()));
        std::vector<char> chunk;
        while (input.readChunk(chunk)) bytes.append(chunk.data(), chunk.size());
        addLines(bytes, &input);
    }

    void readText(const std::string& path, const WordRules& rules, bool numbers) {
        InputFile input(path);
        WordSplitter splitter(rules, WordSplitter::Options{numbers, kMaxLineLength});
        const auto count = [this](std::string_view word) { ++counts_[std::string(word)]; };
        try {
            std::vector<char> chunk;
            while (input.readChunk(chunk)) splitter.feed({chunk.data(), chunk.size()}, count);
            splitter.finish(count);
        } catch (const WordTooLong& error) {
            throw ToolError(input.where(static_cast<long>(error.line())) + "word longer than " +
                            std::to_string(error.limit()) + " bytes");
        }
    }

    // The texts' words with their counts, once every text is read.
    void countTexts() {
        text.reserve(counts_.size());
        for (const auto& entry : counts_) text.push_back({entry.first, entry.second});
    }

private:
    // One word (or word and count) a line; `input` names the file in the
    // error for a line too long to be a word.
    void addLines(std::string_view all, const InputFile* input) {
        // Room for every line at once: grown by doubling, the words of a
        // large list would take up to twice their room, and three times
        // while the last move was under way.
        dictionary.reserve(dictionary.size() + 1 +
                           static_cast<std::size_t>(std::count(all.begin(), all.end(), '\n')));
        long number = 0;
        for (std::size_t at = 0; at < all.size();) {
            const std::size_t newline = std::min(all.find('\n', at), all.size());
            const std::string_view line = all.substr(at, newline - at);
            ++number;
            const bool crlf = !line.empty() && line.back() == '\r';
            if (input != nullptr && line.size() - (crlf ? 1 : 0) > kMaxLineLength)
                throw ToolError(input->where(number) + "line longer than " +
                                std::to_string(kMaxLineLength) + " bytes");
            const DictionaryLine entry = parseDictionaryLine(line);
            if (!entry.word.empty()) dictionary.push_back({entry.word, entry.count});
            at = newline + 1;
        }
    }

    std::deque<std::string> files_;  // a deque: the views stay valid as it grows
    std::unordered_map<std::string, std::uint64_t> counts_;
};

// The words the user taught in earlier sessions join without being marked
// as used in this one; the words they had the program forget go, whatever
// brought them. The server never writes the list.
void addPersonalWords(CompletionStore& store) {
    const std::string path = PersonalList::defaultPath();
    if (path.empty()) return;
    PersonalList list(path);
    std::string problem;
    if (!list.load(problem)) {
        std::fprintf(stderr, "rorirer lsp: warning: %s; the personal word list is left out\n",
                     problem.c_str());
        return;
    }
    std::vector<CompletionStore::WordCount> learned;
    learned.reserve(list.learned().size());
    for (const std::string& word : list.learned()) learned.push_back({word, 0});
    store.addWords(learned, Origin::kPersonal);
    for (const std::string& word : list.forgotten()) store.forgetWord(word);
}

// The server's own loader: the word sources of `options` (the built-in
// list when there are none), then the personal word list.
void loadServerWords(CompletionStore& store, const Options& options, const WordRules& rules) {
    {
        WordSourceWords words;
        for (const WordSource& source : options.sources) {
            if (source.kind == WordSource::kDict) {
                words.readDictionary(source.path);
            } else {
                words.readText(source.path, rules, options.numbers);
            }
        }
        if (options.sources.empty()) words.readBuiltinList();
        words.countTexts();
        store.addWords(words.dictionary, Origin::kDictionary);
        store.addWords(words.text, Origin::kText);
    }
    addPersonalWords(store);
}

// Loading frees what it read (the lists' bytes, the words handed to the
// store, the store's own build buffers) in pieces the allocator keeps; the
// server then runs for hours with them counted against it.
void giveBackFreedMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

// The command line's sources with the client's dictionaries in place of
// the --dict files; the --text files stay.
Options sourcesFor(const Options& options, const lsp::Settings& settings) {
    Options sources = options;
    sources.sources.clear();
    for (const std::string& path : settings.dictionaries)
        sources.sources.push_back({WordSource::kDict, path});
    for (const WordSource& source : options.sources)
        if (source.kind == WordSource::kText) sources.sources.push_back(source);
    return sources;
}

}  // namespace

int runLanguageServer(const Options& options) {
    const WordRules rules =
        options.wordChars.empty() ? WordRules() : WordRules::parse(options.wordChars);
    lsp::ServerSetup setup;
    for (const WordSource& source : options.sources)
        if (source.kind == WordSource::kDict) setup.defaults.dictionaries.push_back(source.path);
    setup.defaults.minLength = options.minLength;

    lsp::ServerWords words(
        rules, options.numbers,
        [&options, &rules](CompletionStore& store, const lsp::Settings& settings) {
            loadServerWords(store, sourcesFor(options, settings), rules);
        });
    words.load(setup.defaults);
    giveBackFreedMemory();
    lsp::WordCompletion completion(words, rules, options.numbers);
    setup.completion = &completion;
    setup.lineObservers = words.observers();
    setup.settingsChanged = [&words](const lsp::Settings& settings) {
        words.applySettings(settings);
        giveBackFreedMemory();
    };
    return lsp::runServer(STDIN_FILENO, STDOUT_FILENO, std::move(setup));
}

}  // namespace rorirer
