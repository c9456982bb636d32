#include "lsp/WordCompletion.h"

#include <algorithm>
#include <string>
#include <vector>

#include "lsp/NearbyWords.h"
#include "lsp/internal/WordSpans.h"

namespace rorirer::lsp {
namespace {

// Where a candidate comes from, as the editor shows it beside the word.
std::string describeSource(const CompletionStore& store, const DocumentWords& documents,
                           const std::string& uri, const Candidate& candidate,
                           const std::string& discounted) {
    std::string source;
    if (hasOrigin(candidate.origins, Origin::kDocument)) {
        const std::uint32_t here = documents.occurrences(uri, candidate.word);
        const std::uint32_t counted = here - (here > 0 && candidate.word == discounted ? 1 : 0);
        const auto info = store.lookUp(candidate.word);
        if (counted > 0) {
            source = "this document";
        } else if (info && info->documentCount > here) {
            source = "another open document";
        }
    }
    if (source.empty()) {
        if (hasOrigin(candidate.origins, Origin::kPersonal)) {
            source = "learned";
        } else if (hasOrigin(candidate.origins, Origin::kDictionary)) {
            source = "dictionary";
        } else if (hasOrigin(candidate.origins, Origin::kText)) {
            source = "text";
        }
    }
    return candidate.fuzzy ? "close match, " + source : source;
}

}  // namespace

CompletionAnswer WordCompletion::complete(const CompletionQuery& query) {
    CompletionAnswer answer;
    const std::string_view line = query.document.lineText(query.line);
    const std::size_t cursor = std::min(query.byte, line.size());
    const std::size_t start = typedWordStart(rules_, line, cursor);
    answer.wordStart = start;
    answer.wordEnd = cursor;
    if (start == cursor) return answer;
    const std::string_view typed = line.substr(start, cursor - start);

    // The document's word that the typed word is part of: the replace range
    // runs to its end, and when its line is learned from, the store counts
    // it, so that one occurrence must not count for this answer.
    const std::size_t wordEnd = wordEndFrom(rules_, line, start, keepNumbers_);
    answer.wordEnd = std::max(cursor, wordEnd);
    const DocumentWords& documents = words_.documentWords();
    std::string discounted;
    if (wordEnd > start && documents.learning() && line.size() <= query.document.lineLimit())
        discounted = storedWordForm(line.substr(start, wordEnd - start));

    NearbySearch search;
    search.typed = typed;
    search.cursor = {query.line, cursor};
    search.typedStart = start;
    search.keepNumbers = keepNumbers_;
    const std::vector<std::string> nearby = findNearbyWords(query.document, rules_, search);

    Query ask;
    ask.prefix = typed;
    ask.caseMode = query.settings.caseMode;
    ask.sortOrder = query.settings.sort;
    ask.fuzzy = query.settings.fuzzy;
    ask.limit = query.maxItems;
    ask.preferred = &nearby;
    ask.discounted = discounted;
    const CompletionStore& store = words_.store();
    const Completion completion = store.complete(ask);

    answer.incomplete = completion.more;
    answer.items.reserve(completion.candidates.size());
    for (const Candidate& candidate : completion.candidates) {
        CompletionItem item;
        item.label = candidate.text;
        item.detail = describeSource(store, documents, query.document.uri(), candidate, discounted);
        // A close match does not begin with the typed word: clients that
        // filter by prefix would drop it.
        if (candidate.fuzzy) item.filterText = std::string(typed);
        answer.items.push_back(std::move(item));
    }
    return answer;
}

}  // namespace rorirer::lsp
