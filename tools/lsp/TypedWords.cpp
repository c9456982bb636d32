#include "lsp/TypedWords.h"

#include "completion/Unicode.h"
#include "completion/WordBoundaries.h"
#include "lsp/Document.h"

namespace rorirer::lsp {
namespace {

bool isBefore(const LinePosition& a, const LinePosition& b) noexcept {
    return a.line < b.line || (a.line == b.line && a.byte < b.byte);
}

// Bytes of the apostrophe that ends `line` before byte `at`, or 0.
std::size_t apostropheBefore(const WordRules& rules, std::string_view line, std::size_t at) {
    for (std::size_t length = 1; length <= 3 && length <= at; length += 2) {
        const Character c = decodeCharacter(line, at - length);
        if (c.length == length && rules.isApostrophe(c)) return length;
    }
    return 0;
}

// The word of `line` that ends at `end`, or an empty span.
WordSpan wordEndingAt(const WordRules& rules, bool keepNumbers, std::string_view line,
                      std::size_t end) {
    WordSpanReader reader(rules, line, restartPointBefore(rules, line, end), keepNumbers);
    WordSpan span;
    while (reader.next(span)) {
        if (span.end == end) return span;
        if (span.end > end) break;
    }
    return {};
}

// The edit put in one apostrophe and nothing else: the word before it may
// yet go on ("doesn" + "'" + "t").
bool isLoneApostrophe(const WordRules& rules, const Document& document, const EditedRange& edited) {
    if (edited.start.line != edited.end.line) return false;
    const std::string_view line = document.lineText(edited.start.line);
    const std::size_t length = edited.end.byte - edited.start.byte;
    if (length != 1 && length != 3) return false;
    const Character c = decodeCharacter(line, edited.start.byte);
    return c.length == length && rules.isApostrophe(c);
}

}  // namespace

std::vector<std::string> findFinishedWords(const WordRules& rules, bool keepNumbers,
                                           const Document& document, const EditedRange& edited,
                                           std::size_t limit) {
    std::vector<std::string> words;
    if (!isBefore(edited.start, edited.end) || limit == 0) return words;

    // The word before the new text, when the new text ended it: the reader
    // then ends it where the new text starts, or just before an apostrophe
    // there that the new text kept from joining.
    if (!isLoneApostrophe(rules, document, edited)) {
        const std::string_view line = document.lineText(edited.start.line);
        const std::size_t at = edited.start.byte;
        WordSpan span = wordEndingAt(rules, keepNumbers, line, at);
        const std::size_t apostrophe = apostropheBefore(rules, line, at);
        if (span.end == span.start && apostrophe > 0)
            span = wordEndingAt(rules, keepNumbers, line, at - apostrophe);
        if (span.end > span.start)
            words.emplace_back(line.substr(span.start, span.end - span.start));
    }

    // Whole words inside the new text. One that is all of it is finished
    // only when it replaced something: typing a word's first letter puts in
    // a word of one letter that is not finished at all.
    for (std::size_t number = edited.start.line; number <= edited.end.line; ++number) {
        const std::string_view line = document.lineText(number);
        const std::size_t from = number == edited.start.line ? edited.start.byte : 0;
        const std::size_t to = number == edited.end.line ? edited.end.byte : line.size();
        WordSpanReader reader(rules, line, restartPointBefore(rules, line, from), keepNumbers);
        WordSpan span;
        while (reader.next(span) && span.end <= to) {
            if (span.start < from) continue;
            const bool all = number == edited.start.line && span.start == edited.start.byte &&
                             number == edited.end.line && span.end == edited.end.byte;
            if (all && !edited.replaced) continue;
            if (words.size() == limit) return words;
            words.emplace_back(line.substr(span.start, span.end - span.start));
        }
    }
    return words;
}

void TypedWords::linesChanged(const Document& document, const LinesChange& change) {
    if (store_ == nullptr || !change.edited) return;
    for (const std::string& word :
         findFinishedWords(rules_, keepNumbers_, document, *change.edited, kMaxWordsPerEdit))
        store_->touchWord(word);
}

}  // namespace rorirer::lsp
