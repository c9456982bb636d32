// The peer of rorirer lsp in bench/lsp-bench: the same protocol code
// (framing, documents, completion lists, timings), but a completion that
// keeps no index. Each request splits every line of every open document and
// reads the whole word list, counts the words that begin with the typed word
// (ASCII letters compared without case) and sorts them by count, then
// length, then bytes.
//
// Usage: NaiveLanguageServer --dict FILE   (the protocol on stdin and stdout)
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "completion/DictionaryLine.h"
#include "completion/WordBoundaries.h"
#include "completion/WordRules.h"
#include "completion/WordSplitter.h"
#include "lsp/CompletionProvider.h"
#include "lsp/Document.h"
#include "lsp/LanguageServer.h"
#include "lsp/LineObserver.h"

namespace {

using namespace rorirer;

bool beginsWith(std::string_view word, std::string_view typed) {
    if (word.size() < typed.size()) return false;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        const char a = word[i];
        const char b = typed[i];
        const auto fold = [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
        };
        if (fold(a) != fold(b)) return false;
    }
    return true;
}

// The open documents, by URI, as the server's own observer sees them open
// and close.
class OpenDocuments : public lsp::LineObserver {
public:
    void linesChanged(const lsp::Document& document, const lsp::LinesChange& change) override {
        if (change.kind == lsp::LinesChange::Kind::kOpen) open_[document.uri()] = &document;
        if (change.kind == lsp::LinesChange::Kind::kClose) open_.erase(document.uri());
    }
    const std::map<std::string, const lsp::Document*>& open() const { return open_; }

private:
    std::map<std::string, const lsp::Document*> open_;
};

class ScanningCompletion : public lsp::CompletionProvider {
public:
    ScanningCompletion(std::vector<std::string> dictionary, const OpenDocuments& documents)
        : dictionary_(std::move(dictionary)), documents_(documents) {
        std::sort(dictionary_.begin(), dictionary_.end());
    }

    lsp::CompletionAnswer complete(const lsp::CompletionQuery& query) override {
        lsp::CompletionAnswer answer;
        const std::string_view line = query.document.lineText(query.line);
        const std::size_t cursor = std::min(query.byte, line.size());
        answer.wordStart = wordStartBeforeCursor(rules_, line, cursor);
        answer.wordEnd = cursor;
        const std::string_view typed = line.substr(answer.wordStart, cursor - answer.wordStart);
        if (typed.empty()) return answer;

        std::unordered_map<std::string, std::uint64_t> counts;
        for (const std::string& word : dictionary_)
            if (beginsWith(word, typed)) counts.emplace(word, 0);
        for (const auto& open : documents_.open()) {
            const lsp::Document& document = *open.second;
            for (std::size_t i = 0; i < document.lineCount(); ++i) {
                WordSplitter splitter(rules_);
                const auto count = [&](std::string_view word) {
                    if (word.size() >= 3 && beginsWith(word, typed)) ++counts[std::string(word)];
                };
                try {
                    splitter.feed(document.lineText(i), count);
                    splitter.finish(count);
                } catch (const WordTooLong&) {
                }
            }
        }
        // The word being typed is in the document too, and its own
        // occurrence is no evidence for it: the server does not count it.
        const std::size_t end =
            answer.wordStart + wordEndFrom(rules_, line.substr(answer.wordStart), 0, false);
        const auto own =
            counts.find(std::string(line.substr(answer.wordStart, end - answer.wordStart)));
        if (own != counts.end() && own->second > 0 && --own->second == 0 &&
            !std::binary_search(dictionary_.begin(), dictionary_.end(), own->first))
            counts.erase(own);
        std::vector<std::pair<std::string, std::uint64_t>> ranked(counts.begin(), counts.end());
        std::sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) {
            if (a.second != b.second) return a.second > b.second;
            if (a.first.size() != b.first.size()) return a.first.size() < b.first.size();
            return a.first < b.first;
        });
        answer.incomplete = ranked.size() > query.maxItems;
        for (std::size_t i = 0; i < ranked.size() && i < query.maxItems; ++i)
            answer.items.push_back({ranked[i].first, "", "", ""});
        return answer;
    }

private:
    std::vector<std::string> dictionary_;
    const OpenDocuments& documents_;
    const WordRules rules_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || std::string(argv[1]) != "--dict") {
        std::fprintf(stderr, "usage: NaiveLanguageServer --dict FILE\n");
        return 2;
    }
    std::ifstream input(argv[2]);
    if (!input) {
        std::fprintf(stderr, "NaiveLanguageServer: cannot read %s\n", argv[2]);
        return 2;
    }
    std::vector<std::string> dictionary;
    std::string line;
    while (std::getline(input, line)) {
        const DictionaryLine entry = parseDictionaryLine(line);
        if (entry.word.size() >= 3) dictionary.emplace_back(entry.word);
    }
    OpenDocuments documents;
    ScanningCompletion completion(std::move(dictionary), documents);
    lsp::ServerSetup setup;
    setup.completion = &completion;
    setup.lineObservers = {&documents};
    return lsp::runServer(STDIN_FILENO, STDOUT_FILENO, std::move(setup));
}
