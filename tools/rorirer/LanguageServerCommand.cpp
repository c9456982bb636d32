#include "LanguageServerCommand.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
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

// Words gathered in one buffer, so that the layer takes a whole list at
// once, and builds it in bulk when it is large.
class WordBatch {
public:
    void add(std::string_view word, std::uint64_t count) {
        entries_.push_back({text_.size(), word.size(), count});
        text_.append(word);
    }
    void addTo(CompletionStore& store, Origin origin) const {
        std::vector<CompletionStore::WordCount> words;
        words.reserve(entries_.size());
        const std::string_view text = text_;
        for (const Entry& entry : entries_)
            words.push_back({text.substr(entry.offset, entry.length), entry.count});
        store.addWords(words, origin);
    }

private:
    struct Entry {
        std::size_t offset;
        std::size_t length;
        std::uint64_t count;
    };
    std::string text_;
    std::vector<Entry> entries_;
};

void addListLine(WordBatch& batch, std::string_view line) {
    const DictionaryLine entry = parseDictionaryLine(line);
    if (!entry.word.empty()) batch.add(entry.word, entry.count);
}

void readBuiltinList(WordBatch& batch) {
    const BuiltinWords words = builtinWords();
    const std::string_view all(words.data, words.size);
    for (std::size_t at = 0; at < all.size();) {
        const std::size_t newline = std::min(all.find('\n', at), all.size());
        addListLine(batch, all.substr(at, newline - at));
        at = newline + 1;
    }
}

void readDictionary(WordBatch& batch, const std::string& path) {
    InputFile input(path);
    LineReader lines(input);
    std::string line;
    while (lines.readLine(line)) addListLine(batch, line);
}

void readText(WordBatch& batch, const std::string& path, const WordRules& rules, bool numbers) {
    InputFile input(path);
    WordSplitter splitter(rules, WordSplitter::Options{numbers, kMaxLineLength});
    std::unordered_map<std::string, std::uint64_t> counts;
    const auto count = [&counts](std::string_view word) { ++counts[std::string(word)]; };
    std::vector<char> chunk;
    try {
        while (input.readChunk(chunk)) splitter.feed({chunk.data(), chunk.size()}, count);
        splitter.finish(count);
    } catch (const WordTooLong& error) {
        throw ToolError(input.where(static_cast<long>(error.line())) + "word longer than " +
                        std::to_string(error.limit()) + " bytes");
    }
    for (const auto& entry : counts) batch.add(entry.first, entry.second);
}

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
    WordBatch dictionaries;
    WordBatch texts;
    bool any = false;
    for (const WordSource& source : options.sources) {
        any = true;
        if (source.kind == WordSource::kDict) {
            readDictionary(dictionaries, source.path);
        } else {
            readText(texts, source.path, rules, options.numbers);
        }
    }
    if (!any) readBuiltinList(dictionaries);
    dictionaries.addTo(store, Origin::kDictionary);
    texts.addTo(store, Origin::kText);
    addPersonalWords(store);
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
    lsp::WordCompletion completion(words, rules, options.numbers);
    setup.completion = &completion;
    setup.lineObservers = words.observers();
    setup.settingsChanged = [&words](const lsp::Settings& settings) {
        words.applySettings(settings);
    };
    return lsp::runServer(STDIN_FILENO, STDOUT_FILENO, std::move(setup));
}

}  // namespace rorirer
