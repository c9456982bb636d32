// Which characters make up words, as an editor sees them. Where words begin
// and end by these rules is WordBoundaries.h's.
//
// The default word characters are Unicode letters (categories L*), combining
// marks (M*), decimal digits (Nd) and '_', and every byte that is not part of
// a well-formed UTF-8 sequence, so that text in Latin-1 keeps its words.
//
// An apostrophe (' or ’) joins a word when letters stand on both sides of it
// ("doesn't", "hippopotamus's"), never at its edges ("'quoted'" gives
// "quoted"). Letters here are letters, combining marks and bytes that are not
// well-formed, as long as they are word characters. At the cursor, an
// apostrophe right after letters belongs to the typed prefix: "doesn'"
// completes to "doesn't".
#ifndef RORIRER_COMPLETION_WORDRULES_H
#define RORIRER_COMPLETION_WORDRULES_H

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "completion/Unicode.h"

namespace rorirer {

// A word-character set that cannot be read; what() says why, in the style of
// "--word-chars: range 'z-a' runs backwards".
class WordRulesError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

class WordRules {
public:
    // The default rules above.
    WordRules();

    // A set that replaces the default one, written as code points and ranges
    // of code points in UTF-8: "a-zA-Z_'", "\x80-\xff", "α-ωΑ-Ω". Escapes:
    // \xHH is U+00HH, \u{H...} any code point, \\ and \- the character
    // itself (so is \ before any other character). A '-' first or last
    // stands for itself. A byte that is not part of a well-formed sequence
    // in text is a word character when U+00HH of its value is in the set.
    // The apostrophe rule holds only when ' or ’ is in the set (either one
    // turns it on for both); an apostrophe is then never a word character by
    // itself. `name` starts every error message.
    static WordRules parse(std::string_view written, std::string_view name = "--word-chars");

    bool isWordCharacter(const Character& c) const noexcept;
    // A letter for the apostrophe rule: a word character that is a letter,
    // a combining mark or a byte that is not well-formed.
    bool isLetter(const Character& c) const noexcept;
    bool isApostrophe(const Character& c) const noexcept {
        return apostrophes_ && c.wellFormed && (c.value == U'\'' || c.value == U'\u2019');
    }
    bool isDigit(const Character& c) const noexcept;

    // The three answers above for an ASCII character (a byte below 0x80),
    // looked up, for splitters that take runs of ASCII without decoding.
    enum AsciiClass : std::uint8_t { kAsciiWord = 1, kAsciiLetter = 2, kAsciiDigit = 4 };
    std::uint8_t asciiClass(std::uint8_t byte) const noexcept { return ascii_[byte & 0x7F]; }

    // The ASCII characters other than NUL that never belong to a word, for
    // line editors that break words at bytes. An apostrophe is among them:
    // whether it joins depends on its neighbours.
    std::string breakCharacters() const;

private:
    void classifyAscii() noexcept;

    bool isDefault_ = true;
    bool apostrophes_ = true;
    // Sorted, disjoint, merged ranges of code points (custom sets only).
    std::vector<std::pair<char32_t, char32_t>> ranges_;
    std::bitset<256> latin_;  // U+0000 to U+00FF in the custom set
    std::array<std::uint8_t, 128> ascii_{};
};

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_WORDRULES_H
