// Case without locale, per code point, as utf8proc maps it: what a character
// is matched as, which characters match it, and the capitals used to render
// a completion of a prefix typed in capitals.
//
// Folding is utf8proc_tolower. So 'ß' folds to itself, 'İ' (U+0130) to 'i',
// and 'I' to 'i' while the dotless 'ı' (U+0131) folds to itself: a Turkish
// dotless i matches only itself. The two apostrophes ' and ’ (U+2019) also
// match each other.
#ifndef RORIRER_COMPLETION_INTERNAL_CASEFOLDING_H
#define RORIRER_COMPLETION_INTERNAL_CASEFOLDING_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "completion/Unicode.h"

namespace rorirer {

// A character as matched: the folded code point, or for a byte that is not
// well-formed, kByteKeyBase plus the byte, which no code point equals.
using MatchKey = std::uint32_t;
inline constexpr MatchKey kByteKeyBase = 0x110000;

inline constexpr char32_t kApostrophe = U'\'';
inline constexpr char32_t kRightQuote = U'\u2019';

MatchKey matchKey(const Character& character) noexcept;
// Case-sensitive, but with the two apostrophes one key.
MatchKey exactKey(const Character& character) noexcept;

// Appends the well-formed code points whose matchKey is `key`, ascending. The
// table behind it is built once, on first use, from every code point's
// lower-case mapping.
void appendCaseVariants(MatchKey key, std::vector<char32_t>& out);

bool isUpperCase(char32_t c) noexcept;
bool isLetter(char32_t c) noexcept;
// True when `text` holds at least two letters and every letter is a capital.
bool isAllCapitals(std::string_view text) noexcept;
// Every well-formed character upper-cased by utf8proc_toupper; other bytes
// kept. Appended to `out`.
void appendUpperCased(std::string& out, std::string_view text);
// True when some character of `text` is an upper-case letter.
bool hasUpperCase(std::string_view text) noexcept;
// Every character's matchKey, appended to `out` as UTF-8 (a byte that is not
// well-formed as itself): two texts decoded alike match character for
// character under kFolded exactly when these are equal.
void appendFolded(std::string& out, std::string_view text);

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_CASEFOLDING_H
