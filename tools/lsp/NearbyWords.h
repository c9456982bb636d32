// The words of a document nearest the cursor that may complete the typed
// word: the completion layer ranks them above words that are merely
// frequent. They are found without reading the whole document: lines are
// read outward from the cursor's, each once, up to a bound of lines and of
// bytes that holds within a line too, so one search costs time in
// proportion to the bound whatever the document holds.
#ifndef RORIRER_LSP_NEARBYWORDS_H
#define RORIRER_LSP_NEARBYWORDS_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "completion/WordRules.h"
#include "lsp/Document.h"

namespace rorirer::lsp {

struct NearbySearch {
    // Lines read on each side of the cursor's line, and bytes read in all:
    // a typed word few lines hold is looked for in every line of the window.
    // A line longer than the bytes left is read in part: around the cursor
    // on its own line, at the end nearest the cursor on the others.
    static constexpr std::size_t kMaxLines = 100;
    static constexpr std::size_t kMaxBytes = 32 * 1024;

    std::string_view typed;  // the typed word, not empty
    LinePosition cursor;
    // The occurrence that is the typed word itself, on the cursor's line:
    // the word starting at this byte is passed over there.
    std::size_t typedStart = 0;
    std::size_t limit = 8;
    bool keepNumbers = false;
};

// Distinct words that begin with `typed`, nearest first: by lines away
// from the cursor (a line above before the line below at the same
// distance), then by bytes away from it on the same line. A word matches
// when its bytes are the typed bytes, ASCII letters compared without case.
// The completion layer decides what really matches: the list is its
// preference, not a filter.
std::vector<std::string> findNearbyWords(const Document& document, const WordRules& rules,
                                         const NearbySearch& search);

// A part of a line whose words are the line's words there, for reading a
// long line in part: `start` is the line's start or just after a character
// that neither belongs to a word nor is an apostrophe (a WordSpanReader
// reads the same words from there as from the line's start), and `end`
// lies between characters. Empty (start == end) when no such start lies
// within the bytes asked for.
struct LineWindow {
    std::size_t start = 0;
    std::size_t end = 0;
};

// The window within bytes [from, to) of `line`, reading only those bytes.
LineWindow windowWithin(const WordRules& rules, std::string_view line, std::size_t from,
                        std::size_t to) noexcept;

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_NEARBYWORDS_H
