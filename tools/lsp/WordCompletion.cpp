#include "lsp/WordCompletion.h"

#include <algorithm>
#include <string>
#include <vector>

#include "completion/WordBoundaries.h"
#include "lsp/NearbyWords.h"

namespace rorirer::lsp {
namespace {

std::uint32_t countIn(const DocumentWords::Counts* counts, const std::string& word) {
    if (counts == nullptr) return 0;
    const auto found = counts->find(word);
    return found == counts->end() ? 0 : found->second;
}

// Where a candidate comes from, as the editor shows it beside the word.
// `here` is this document's counts, or null; `alone`: no other document
// has counts.
std::string describeSource(const CompletionStore& store, const DocumentWords::Counts* here,
                           bool alone, const Candidate& candidate, const std::string& discounted) {
    std::string source;
    if (hasOrigin(candidate.origins, Origin::kDocument)) {
        // The store never counts more of a word than the documents do, so
        // with no other document a word they brought is in this one: only
        // the word being typed needs its count looked up in a large map.
        const bool typing = candidate.word == discounted;
        const std::uint32_t inThis = alone && !typing ? 1 : countIn(here, candidate.word);
        const bool typed = inThis > 0 && typing;
        if (inThis > (typed ? 1u : 0u)) {
            source = "this document";
        } else if (!typed) {
            source = "another open document";
        } else {
            // This document holds only the typed occurrence: are there others?
            const auto info = store.lookUp(candidate.word);
            if (info && info->documentCount > inThis) source = "another open document";
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
    const std::string_view whole = query.document.lineText(query.line);
    const std::size_t cursor = std::min(query.byte, whole.size());
    answer.wordStart = answer.wordEnd = cursor;
    // The cursor's line is read only near the cursor. A word that begins
    // farther back is longer than any word stored: nothing completes it.
    const LineWindow window = windowWithin(rules_, whole, cursor - std::min(cursor, kReach),
                                           cursor + std::min(whole.size() - cursor, kReach));
    if (window.start > cursor) return answer;
    const std::string_view line = whole.substr(0, window.end);
    const std::size_t start =
        window.start +
        wordStartBeforeCursor(rules_, line.substr(window.start), cursor - window.start);
    answer.wordStart = start;
    // Nothing typed yet: the empty answer must not be kept. Some clients
    // (ycmd) ask at the start of the word and filter what they got as the
    // user types; a complete empty list would hide every word.
    if (start == cursor) {
        answer.incomplete = true;
        return answer;
    }
    const std::string_view typed = line.substr(start, cursor - start);

    // The document's word that the typed word is part of: the replace range
    // runs to its end, and when its line is learned from, the store counts
    // it, so that one occurrence must not count for this answer.
    const std::size_t wordEnd = start + wordEndFrom(rules_, line.substr(start), 0, keepNumbers_);
    answer.wordEnd = std::max(cursor, wordEnd);
    const DocumentWords& documents = words_.documentWords();
    std::string discounted;
    if (wordEnd > start && documents.learning() && whole.size() <= query.document.lineLimit())
        discounted = storedWordForm(line.substr(start, wordEnd - start));

    NearbySearch search;
    search.typed = typed;
    search.cursor = {query.line, cursor};
    search.typedStart = start;
    search.keepNumbers = keepNumbers_;
    const std::vector<std::string> nearby = findNearbyWords(query.document, rules_, search);

    const PairReader::Context context =
        words_.documentPairs().contextAt(query.document, query.line, start);

    Query ask;
    ask.prefix = typed;
    ask.style = query.settings.style.withLimit(query.maxItems);
    ask.preferred = &nearby;
    ask.discounted = discounted;
    ask.context.previous = context.previous;
    ask.context.sentenceStart = context.sentenceStart;
    // The pairs count the documents' words: they serve while those do.
    if (documents.learning()) ask.context.pairs = &words_.documentPairs().pairs();
    ask.wantLongest = false;  // the editor shows the candidates alone
    const CompletionStore& store = words_.settledStore();
    const Completion completion = store.complete(ask);

    answer.incomplete = completion.more;
    answer.items.reserve(completion.candidates.size());
    const DocumentWords::Counts* here = documents.countsOf(query.document.uri());
    const bool alone = here != nullptr && documents.documentsCounted() == 1;
    for (const Candidate& candidate : completion.candidates) {
        CompletionItem item;
        item.label = candidate.text;
        item.detail = describeSource(store, here, alone, candidate, discounted);
        // A close match does not begin with the typed word: clients that
        // filter by prefix would drop it.
        if (candidate.fuzzy) item.filterText = std::string(typed);
        answer.items.push_back(std::move(item));
    }
    return answer;
}

}  // namespace rorirer::lsp
