// One line of a word list. A line "word<TAB>digits" is a word with a count,
// the common format of frequency lists; any other line is a word by itself.
// Trailing blanks (spaces, tabs, carriage returns) are not part of either.
#ifndef RORIRER_COMPLETION_DICTIONARYLINE_H
#define RORIRER_COMPLETION_DICTIONARYLINE_H

#include <cstdint>
#include <string_view>

namespace rorirer {

struct DictionaryLine {
    std::string_view word;    // empty for a blank line
    std::uint64_t count = 0;  // saturates at the largest uint64_t
    bool hasCount = false;
};

// `line` without its line ending; the word points into it.
DictionaryLine parseDictionaryLine(std::string_view line) noexcept;

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_DICTIONARYLINE_H
