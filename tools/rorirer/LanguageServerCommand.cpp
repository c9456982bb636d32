#include "LanguageServerCommand.h"

#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "CompletionReport.h"
#include "WordSources.h"
#include "lsp/LanguageServer.h"

namespace rorirer {
namespace {

// Until the completion layer answers, the program's own store does: the
// word is the run of word bytes around the cursor, and the words offered
// are the stored ones that start with its part before the cursor.
class StoreCompletion : public lsp::CompletionProvider {
public:
    StoreCompletion(LinkedTrie& store, const WordChars& chars) : store_(&store), chars_(chars) {}

    lsp::CompletionAnswer complete(const lsp::CompletionQuery& query) override {
        const std::string_view line = query.document.lineText(query.line);
        lsp::CompletionAnswer answer;
        std::size_t start = query.byte;
        while (start > 0 && chars_.isWordByte(static_cast<unsigned char>(line[start - 1]))) --start;
        std::size_t end = query.byte;
        while (end < line.size() && chars_.isWordByte(static_cast<unsigned char>(line[end]))) ++end;
        answer.wordStart = start;
        answer.wordEnd = end;
        if (start == query.byte) return answer;
        const CompletionReport report =
            reportCompletions(*store_, std::string(line.substr(start, query.byte - start)), false,
                              static_cast<long>(query.maxItems));
        for (const std::string& word : report.listed) answer.items.push_back({word, ""});
        answer.incomplete = report.count > static_cast<long long>(report.listed.size());
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
        auto fresh = std::make_unique<LinkedTrie>(settings.minLength);
        loadWordSources(*fresh, sources, chars_);
        owned_ = std::move(fresh);
        store_ = owned_.get();
    }

    void setOptions(const Options& options) { options_ = options; }

private:
    LinkedTrie* store_;
    std::unique_ptr<LinkedTrie> owned_;
    const WordChars& chars_;
    Options options_;
};

}  // namespace

int runLanguageServer(LinkedTrie& store, const Options& options, const WordChars& chars) {
    StoreCompletion completion(store, chars);
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
