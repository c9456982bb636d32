// Where the words of one line lie, by the completion layer's word rules: the
// same words a WordSplitter finds in the line, each with its byte range, so
// the server can tell which word touches the cursor and which words lie
// near it without splitting whole lines into strings.
#ifndef RORIRER_LSP_INTERNAL_WORDSPANS_H
#define RORIRER_LSP_INTERNAL_WORDSPANS_H

#include <cstddef>
#include <string_view>

#include "completion/WordRules.h"

namespace rorirer::lsp {

struct WordSpan {
    std::size_t start = 0;
    std::size_t end = 0;  // one past the last byte
};

// Reads the words of `line` from byte `from` on, which must be a place
// where no word is under way: the start of the line, a restart point
// (below), or the start of a word. Words of digits alone are passed over
// unless `keepNumbers`, as WordSplitter passes them over. Unlike
// WordSplitter it bounds no word's length.
class WordSpanReader {
public:
    WordSpanReader(const WordRules& rules, std::string_view line, std::size_t from,
                   bool keepNumbers) noexcept
        : rules_(rules), line_(line), at_(from), keepNumbers_(keepNumbers) {}

    // The next word; false once the line is read.
    bool next(WordSpan& span) noexcept;

private:
    const WordRules& rules_;
    std::string_view line_;
    std::size_t at_;
    bool keepNumbers_;
};

// The nearest place at or before `at` from which a WordSpanReader reads the
// same words as from the start of the line: just after an ASCII byte that
// neither belongs to a word nor is an apostrophe, or the line's start. (An
// ASCII byte is never part of a longer UTF-8 sequence, so it is always a
// character of its own.)
std::size_t restartPointBefore(const WordRules& rules, std::string_view line,
                               std::size_t at) noexcept;

// The word of `line` that starts at byte `start`, if one does: its end, or
// `start` when none starts there.
std::size_t wordEndFrom(const WordRules& rules, std::string_view line, std::size_t start,
                        bool keepNumbers) noexcept;

// `wordStartBeforeCursor`, reading back only to the nearest restart point
// instead of the line's start.
std::size_t typedWordStart(const WordRules& rules, std::string_view line,
                           std::size_t cursor) noexcept;

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_INTERNAL_WORDSPANS_H
