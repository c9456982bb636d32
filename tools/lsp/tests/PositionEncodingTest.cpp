// Protocol positions to bytes and back, in all three encodings, against the
// brute-force model in the test support library.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "TestText.h"
#include "TextModel.h"
#include "lsp/PositionEncoding.h"

namespace rorirer::lsp {
namespace {

TEST(Positions, MatchBruteForceInEveryEncoding) {
    std::mt19937 random(20260);
    for (int round = 0; round < 3000; ++round) {
        const std::string line = randomText(random, static_cast<int>(random() % 12), true, false);
        for (PositionEncoding encoding : kEncodings) {
            const TextUnits units = modelUnits(encoding);
            const std::uint64_t total = codePointStarts(line, units).back().character;
            for (std::uint64_t character = 0; character <= total + 2; ++character)
                ASSERT_EQ(byteOfCharacter(line, character, encoding),
                          modelByteOfCharacter(line, character, units))
                    << encodingName(encoding) << " character " << character;
            for (std::size_t byte = 0; byte <= line.size() + 2; ++byte)
                ASSERT_EQ(characterOfByte(line, byte, encoding),
                          modelCharacterOfByte(line, byte, units))
                    << encodingName(encoding) << " byte " << byte;
        }
    }
}

TEST(Positions, WorkedExamples) {
    using E = PositionEncoding;
    const std::string emoji = "a\xF0\x9F\x98\x80z";  // a😀z
    const std::string accent = "e\xCC\x81x";         // e, combining acute, x
    const std::string broken = "a\xE2\x82z";         // a cut-short €
    struct Row {
        std::string line;
        E encoding;
        std::uint64_t character;
        std::size_t byte;  // what byteOfCharacter gives
    };
    const Row rows[] = {
        {emoji, E::kUtf16, 0, 0},  {emoji, E::kUtf16, 1, 1},   // before the emoji
        {emoji, E::kUtf16, 2, 1},                              // inside its pair: snaps back
        {emoji, E::kUtf16, 3, 5},  {emoji, E::kUtf16, 4, 6},   // after it; the end
        {emoji, E::kUtf16, 99, 6},                             // past the end clamps
        {emoji, E::kUtf32, 2, 5},  {emoji, E::kUtf32, 3, 6},   // one unit for the emoji
        {emoji, E::kUtf8, 3, 1},   {emoji, E::kUtf8, 5, 5},    // inside the sequence: snaps
        {accent, E::kUtf16, 1, 1}, {accent, E::kUtf16, 2, 3},  // the mark is a code point
        {accent, E::kUtf8, 2, 1},  {accent, E::kUtf32, 3, 4},
        {broken, E::kUtf16, 2, 2}, {broken, E::kUtf16, 3, 3},  // each broken byte counts one
        {broken, E::kUtf8, 2, 2},  {"", E::kUtf16, 5, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(byteOfCharacter(row.line, row.character, row.encoding), row.byte)
            << encodingName(row.encoding) << " character " << row.character;
}

TEST(Positions, WellFormedSequencesAreRecognised) {
    struct Row {
        std::string bytes;
        std::size_t length;
    };
    const Row rows[] = {
        {"a", 1},
        {"\xC2\x80", 2},
        {"\xDF\xBF", 2},
        {"\xC1\xBF", 0},  // overlong
        {"\xE0\xA0\x80", 3},
        {"\xE0\x9F\xBF", 0},  // overlong
        {"\xED\x9F\xBF", 3},
        {"\xED\xA0\x80", 0},  // surrogate
        {"\xEF\xBF\xBF", 3},
        {"\xF0\x90\x80\x80", 4},
        {"\xF0\x8F\xBF\xBF", 0},  // overlong
        {"\xF4\x8F\xBF\xBF", 4},
        {"\xF4\x90\x80\x80", 0},  // past U+10FFFF
        {"\xF5\x80\x80\x80", 0},
        {"\x80", 0},
        {"\xE2\x82", 0},  // cut short
        {"", 0},
    };
    for (const Row& row : rows) EXPECT_EQ(wellFormedLength(row.bytes), row.length);
}

}  // namespace
}  // namespace rorirer::lsp
