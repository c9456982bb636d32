// Random text for the language server's tests, built from pieces that
// exercise every kind of code point the conversions must count: ASCII,
// two-, three- and four-byte characters, combining marks, ill-formed bytes
// and, where asked, line ends.
#ifndef RORIRER_LSP_TESTS_TESTTEXT_H
#define RORIRER_LSP_TESTS_TESTTEXT_H

#include <random>
#include <string>

#include "ModelUnits.h"
#include "lsp/PositionEncoding.h"

namespace rorirer::lsp {

inline const char* const kPlainPieces[] = {
    "a",
    "Z",
    "_",
    " ",
    "word",
    "\xC3\xA9" /* é */,
    "\xE2\x82\xAC" /* € */,
    "\xE4\xB8\xAD" /* 中 */,
    "\xF0\x9F\x98\x80" /* 😀 */,
    "\xF0\x9D\x84\x9E" /* 𝄞 */,
    "e\xCC\x81" /* e and a combining acute */,
    "\xCC\x88" /* a combining diaeresis alone */,
};
inline const char* const kBrokenPieces[] = {
    "\x80",
    "\xFF",
    "\xC3" /* cut short */,
    "\xE2\x82" /* cut short */,
    "\xED\xA0\x80" /* a surrogate */,
    "\xF4\x90\x80\x80" /* past U+10FFFF */,
    "\xC0\xAF" /* overlong */,
    "\xF0\x9F\x98" /* cut short */,
};
inline const char* const kLineEnds[] = {"\n", "\r", "\r\n"};

// `pieces` random pieces; ill-formed ones and line ends only when asked.
inline std::string randomText(std::mt19937& random, int pieces, bool broken, bool lineEnds) {
    std::string text;
    for (int i = 0; i < pieces; ++i) {
        const auto kind = random() % 10;
        if (lineEnds && kind < 2) {
            text += kLineEnds[random() % 3];
        } else if (broken && kind == 2) {
            text += kBrokenPieces[random() % (sizeof kBrokenPieces / sizeof *kBrokenPieces)];
        } else {
            text += kPlainPieces[random() % (sizeof kPlainPieces / sizeof *kPlainPieces)];
        }
    }
    return text;
}

inline const PositionEncoding kEncodings[] = {PositionEncoding::kUtf8, PositionEncoding::kUtf16,
                                              PositionEncoding::kUtf32};

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_TESTS_TESTTEXT_H
