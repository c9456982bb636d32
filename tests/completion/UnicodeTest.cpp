// The layer's reading of UTF-8 against utf8proc's, exhaustively where that
// is cheap; normalization, display width, grapheme boundaries and case
// folding as tables.
#include <gtest/gtest.h>
#include <utf8proc.h>

#include <random>
#include <string>
#include <vector>

#include "completion/Unicode.h"
#include "completion/internal/CaseFolding.h"

using rorirer::Character;
using rorirer::decodeCharacter;

namespace {

// Whether decodeCharacter and utf8proc_iterate read `bytes` the same way.
void expectSameReading(const std::string& bytes) {
    const Character c = decodeCharacter(bytes, 0);
    utf8proc_int32_t point = -1;
    const auto n = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(bytes.data()),
                                    static_cast<utf8proc_ssize_t>(bytes.size()), &point);
    if (n > 0) {
        ASSERT_TRUE(c.wellFormed);
        ASSERT_EQ(c.length, n);
        ASSERT_EQ(static_cast<utf8proc_int32_t>(c.value), point);
    } else {
        ASSERT_FALSE(c.wellFormed);
        ASSERT_EQ(c.length, 1);
        ASSERT_EQ(c.value, static_cast<unsigned char>(bytes[0]));
    }
}

TEST(Unicode, DecodesAsUtf8procDoes) {
    std::string bytes(3, '\0');
    for (unsigned a = 1; a < 256; ++a) {
        bytes.assign(1, static_cast<char>(a));
        expectSameReading(bytes);
        for (unsigned b = 0; b < 256; ++b) {
            bytes.assign({static_cast<char>(a), static_cast<char>(b)});
            expectSameReading(bytes);
            if (a < 0xE0 || a > 0xF4) continue;
            for (unsigned c = 0x70; c < 0xC8; ++c) {
                bytes.assign({static_cast<char>(a), static_cast<char>(b), static_cast<char>(c)});
                expectSameReading(bytes);
            }
        }
    }
    std::mt19937 random(1);
    for (int i = 0; i < 2000000; ++i) {
        const auto lead = static_cast<char>(0xF0 + random() % 6);
        bytes = {lead, static_cast<char>(0x70 + random() % 0x58),
                 static_cast<char>(0x70 + random() % 0x58),
                 static_cast<char>(0x70 + random() % 0x58)};
        expectSameReading(bytes);
        if (::testing::Test::HasFailure()) return;
    }
}

TEST(Unicode, NormalizationWidthAndBoundaries) {
    struct Nfc {
        std::string in;
        std::string out;
    };
    for (const Nfc& row : std::vector<Nfc>{
             {"abc", "abc"},
             {"cafe\xCC\x81", "café"},
             {"Ι\xCC\x88", "Ϊ"},
             {"\xE9"
              "e\xCC\x81",
              "\xE9"
              "é"},                               // a Latin-1 byte, then NFD
             {"e\xFF\xCC\x81", "e\xFF\xCC\x81"},  // a mark after a stray byte stays
             {"", ""},
         }) {
        EXPECT_EQ(rorirer::toNfc(row.in), row.out) << row.in;
    }
    struct Width {
        std::string text;
        int columns;
    };
    for (const Width& row : std::vector<Width>{
             {"abc", 3}, {"日本", 4}, {"e\xCC\x81", 1}, {"\xE9", 1}, {"😀", 2}, {"", 0}}) {
        EXPECT_EQ(rorirer::displayWidth(row.text), row.columns) << row.text;
    }
    struct Boundary {
        std::string text;
        std::size_t at;
        std::size_t expected;
    };
    for (const Boundary& row : std::vector<Boundary>{
             {"café", 4, 3},          // inside é: back to its start
             {"cafe\xCC\x81", 5, 3},  // e and its mark are one cluster
             {"cafe\xCC\x81x", 6, 6},
             {"👍🏽x", 4, 0},  // a skin tone joins the emoji before it
             {"👍🏽x", 8, 8},
             {"a\xE9"
              "b",
              2, 2},  // a stray byte stands alone
             {"abc", 9, 3},
         }) {
        EXPECT_EQ(rorirer::graphemeBoundaryAtOrBefore(row.text, row.at), row.expected) << row.text;
    }
    EXPECT_TRUE(rorirer::isWellFormedUtf8("café 😀"));
    EXPECT_FALSE(rorirer::isWellFormedUtf8("caf\xE9"));
    EXPECT_FALSE(rorirer::isWellFormedUtf8("\xED\xA0\x80"));  // a surrogate
}

TEST(Unicode, CaseFoldingPerCodePoint) {
    using rorirer::matchKey;
    const auto key = [](char32_t c) { return matchKey(Character{c, 1, true}); };
    EXPECT_EQ(key(U'İ'), U'i');
    EXPECT_EQ(key(U'I'), U'i');
    EXPECT_EQ(key(U'ı'), U'ı');
    EXPECT_EQ(key(U'ß'), U'ß');
    EXPECT_EQ(key(U'ẞ'), U'ß');
    EXPECT_EQ(key(U'’'), U'\'');
    EXPECT_EQ(matchKey(Character{0xE9, 1, false}), rorirer::kByteKeyBase + 0xE9);
    struct Row {
        char32_t key;
        std::vector<char32_t> variants;
    };
    for (const Row& row : std::vector<Row>{
             {U'i', {U'I', U'i', U'İ'}},
             {U'ı', {U'ı'}},
             {U'k', {U'K', U'k', U'\u212A'}},
             {U'ß', {U'ß', U'ẞ'}},
             {U'\'', {U'\'', U'’'}},
             {U'σ', {U'Σ', U'σ'}},
         }) {
        std::vector<char32_t> variants;
        rorirer::appendCaseVariants(row.key, variants);
        EXPECT_EQ(variants, row.variants) << static_cast<unsigned>(row.key);
    }
    std::vector<char32_t> none;
    rorirer::appendCaseVariants(U'I', none);  // 'I' folds elsewhere: nothing folds to it
    EXPECT_TRUE(none.empty());
    struct Capitals {
        std::string text;
        bool all;
    };
    for (const Capitals& row : std::vector<Capitals>{{"HI", true},
                                                     {"H", false},
                                                     {"Hi", false},
                                                     {"HI1'", true},
                                                     {"ΑΛ", true},
                                                     {"STRAß", false},
                                                     {"\xE9"
                                                      "AB",
                                                      true},
                                                     {"", false}}) {
        EXPECT_EQ(rorirer::isAllCapitals(row.text), row.all) << row.text;
    }
}

}  // namespace
