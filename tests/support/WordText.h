// Random lines for the tests of how words are found: every kind of
// character the word rules treat differently (letters of several scripts,
// combining marks, digits, '_', both apostrophes, punctuation, emoji, bytes
// that are not UTF-8).
#ifndef RORIRER_TESTS_SUPPORT_WORDTEXT_H
#define RORIRER_TESTS_SUPPORT_WORDTEXT_H

#include <cstddef>
#include <iterator>
#include <random>
#include <string>

namespace rorirer::testsupport {

inline const char* const kWordPieces[] = {
    "a",
    "he",
    "Hel",
    "lo",
    "x",
    "7",
    "42",
    "_",
    "'",
    "\xE2\x80\x99" /* ’ */,
    " ",
    ".",
    "-",
    ",",
    "\xC3\xA9" /* é */,
    "e\xCC\x81" /* e and a combining acute */,
    "\xCC\x88" /* a combining mark alone */,
    "\xE4\xB8\xAD" /* 中 */,
    "\xF0\x9F\x98\x80" /* 😀 */,
    "\xD9\xA3" /* Arabic-Indic 3 */,
    "\x80",
    "\xE9" /* Latin-1 é */,
    "\xE2\x82" /* cut short */,
};

inline std::string randomWordLine(std::mt19937& random, int pieces) {
    std::uniform_int_distribution<std::size_t> piece(0, std::size(kWordPieces) - 1);
    std::string line;
    for (int i = 0; i < pieces; ++i)
        line += kWordPieces[piece(random)];
    return line;
}

}  // namespace rorirer::testsupport

#endif  // RORIRER_TESTS_SUPPORT_WORDTEXT_H
