// The default word list and the word frequencies every list is ranked by,
// compiled into the program so that it works from any directory:
// data/american-english, one word per line, and data/word-frequencies,
// word<TAB>count lines.
#ifndef RORIRER_TOOLS_BUILTINWORDS_H
#define RORIRER_TOOLS_BUILTINWORDS_H

#include <cstddef>

namespace rorirer {

struct BuiltinWords {
    const char* data;
    size_t size;
};

BuiltinWords builtinWords() noexcept;
BuiltinWords builtinFrequencies() noexcept;

}  // namespace rorirer

#endif  // RORIRER_TOOLS_BUILTINWORDS_H
