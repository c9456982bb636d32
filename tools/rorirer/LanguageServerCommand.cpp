#include "LanguageServerCommand.h"

#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "WordSources.h"
#include "completion/Unicode.h"
#include "lsp/LanguageServer.h"

namespace rorirer {
namespace {

// Until the completion layer's ranking answers here, the store answers as the
// word store did: the word is the run of word bytes around the cursor (an
// ASCII character the rules take, or any byte from 0x80 up), and the words
// offered are the stored ones that start with its part before the cursor,
// byte for byte, in byte order.
class StoreCompletion : public lsp::CompletionProvider {
public:
    StoreCompletion(CompletionStore& store, const WordRules& rules)
        : store_(&store), rules_(rules) {}

    lsp::CompletionAnswer complete(const lsp::CompletionQuery& query) override {
        const std::string_view line = query.document.lineText(query.line);
        lsp::CompletionAnswer answer;
        std::size_t start = query.byte;
        while (start > 0 && isWordByte(line[start - 1])) --start;
        std::size_t end = query.byte;
        while (end < line.size() && isWordByte(line[end])) ++end;
        answer.wordStart = start;
        answer.wordEnd = end;
        if (start == query.byte) return answer;
        Query ask;
        const std::string prefix(line.substr(start, query.byte - start));
        ask.prefix = prefix;
        ask.caseMode = CaseMode::kExact;
        ask.sortOrder = SortOrder::kAlpha;
        ask.fuzzy = false;
        ask.limit = query.maxItems;
        const Completion found = store_->complete(ask);
        for (const Candidate& candidate : found.candidates)
            answer.items.push_back({candidate.text, ""});
        answer.incomplete = found.more;
        return answer;
    }

    // Words from the client's dictionaries, with the command line's texts,
    // replace the store's; a source that cannot be read leaves it as it was.
    void reload(const lsp::Settings& settings) {
        Options sources = options_;
        sources.sources.clear();
        for (const std::string& path : settings.dictionaries)
            sources.sources.push_back({WordSource::kDict, path});
        for (const WordSource& source : options_.sources)
            if (source.kind == WordSource::kText) sources.sources.push_back(source);
        auto fresh = std::make_unique<CompletionStore>(settings.minLength);
        loadWordSources(*fresh, sources, rules_);
        owned_ = std::move(fresh);
        store_ = owned_.get();
    }

    void setOptions(const Options& options) { options_ = options; }

private:
    bool isWordByte(char byte) const {
        const auto value = static_cast<unsigned char>(byte);
        return value >= 0x80 || rules_.isWordCharacter(Character{value, 1, true});
    }

    CompletionStore* store_;
    std::unique_ptr<CompletionStore> owned_;
    const WordRules& rules_;
    Options options_;
};

}  // namespace

int runLanguageServer(CompletionStore& store, const Options& options, const WordRules& rules) {
    StoreCompletion completion(store, rules);
    completion.setOptions(options);
    lsp::ServerSetup setup;
    for (const WordSource& source : options.sources)
        if (source.kind == WordSource::kDict) setup.defaults.dictionaries.push_back(source.path);
    setup.defaults.minLength = options.minLength;
    setup.completion = &completion;
    lsp::Settings loaded = setup.defaults;
    setup.settingsChanged = [&completion, &loaded](const lsp::Settings& settings) {
        if (settings.dictionaries == loaded.dictionaries && settings.minLength == loaded.minLength)
            return;
        completion.reload(settings);
        loaded = settings;
    };
    return lsp::runServer(STDIN_FILENO, STDOUT_FILENO, std::move(setup));
}

}  // namespace rorirer
