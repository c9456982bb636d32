// The server's word counts against a fresh count of the final text: each
// line of a plain model's text split on its own by a WordSplitter with the
// server's bound, lines over the limit left out, words in NFC. Both the
// counts an observer keeps per document and the document occurrences it
// gave the store must equal it.
#ifndef RORIRER_LSP_TESTS_WORDCOUNTCHECK_H
#define RORIRER_LSP_TESTS_WORDCOUNTCHECK_H

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "TextModel.h"
#include "completion/CompletionStore.h"
#include "completion/Unicode.h"
#include "completion/WordRules.h"
#include "completion/WordSplitter.h"
#include "completion/internal/StoreState.h"
#include "lsp/DocumentWords.h"

namespace rorirer::lsp {

using FreshCounts = std::map<std::string, std::uint32_t>;

inline void countAfresh(const WordRules& rules, const std::string& text, std::size_t lineLimit,
                        FreshCounts& counts) {
    for (const ModelLine& line : splitModelLines(text)) {
        if (line.text.size() > lineLimit) continue;
        WordSplitter splitter(rules, {false, DocumentWords::kMaxWordBytes});
        const auto count = [&counts](std::string_view word) { ++counts[toNfc(word)]; };
        try {
            splitter.feed(line.text, count);
            splitter.finish(count);
        } catch (const WordTooLong&) {
            // The words before it count; the rest of the line does not.
        }
    }
}

// Empty when `words` holds exactly `fresh` for `uri`; else what differs.
inline std::string compareDocumentCounts(const DocumentWords& words, const std::string& uri,
                                         const FreshCounts& fresh) {
    const DocumentWords::Counts* counts = words.countsOf(uri);
    const std::size_t held = counts == nullptr ? 0 : counts->size();
    if (held != fresh.size())
        return "the document holds " + std::to_string(fresh.size()) + " words, the counts " +
               std::to_string(held);
    for (const auto& entry : fresh) {
        const auto found = counts->find(entry.first);
        if (found == counts->end()) return "'" + entry.first + "' is not counted";
        if (found->second != entry.second)
            return "'" + entry.first + "' is counted " + std::to_string(found->second) +
                   " times, and occurs " + std::to_string(entry.second) + " times";
    }
    return {};
}

// Empty when `store`, fed by documents alone, holds each word of `fresh`
// that it accepts with its occurrences (none when `learning` is off), and
// nothing else.
inline std::string compareStoreCounts(const CompletionStore& store, const FreshCounts& fresh,
                                      bool learning) {
    std::size_t accepted = 0;
    for (const auto& entry : fresh) {
        if (static_cast<long>(entry.first.size()) < store.minLength()) continue;
        const auto info = store.lookUp(entry.first);
        if (!learning) {
            if (info) return "'" + entry.first + "' is stored while learning is off";
            continue;
        }
        ++accepted;
        if (!info) return "'" + entry.first + "' is not stored";
        if (info->documentCount != entry.second)
            return "'" + entry.first + "' is stored with " + std::to_string(info->documentCount) +
                   " occurrences, and occurs " + std::to_string(entry.second) + " times";
    }
    if (store.wordCount() != accepted)
        return "the store holds " + std::to_string(store.wordCount()) + " words, expected " +
               std::to_string(accepted);
    return rorirer::StoreInspection::checkConsistency(store);
}

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_TESTS_WORDCOUNTCHECK_H
