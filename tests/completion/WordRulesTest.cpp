// Word rules, the splitter, the word before the cursor and dictionary lines,
// as tables of (input, expected); the splitter fed every text in two and
// three pieces cut at every byte position, and byte by byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "completion/DictionaryLine.h"
#include "completion/WordBoundaries.h"
#include "completion/WordRules.h"
#include "completion/WordSplitter.h"

using rorirer::WordRules;
using rorirer::WordSplitter;

namespace {

using Words = std::vector<std::string>;

Words splitWhole(const WordRules& rules, const std::string& text, bool numbers = false) {
    WordSplitter::Options options;
    options.keepNumbers = numbers;
    WordSplitter splitter(rules, options);
    Words words;
    const auto emit = [&words](std::string_view w) { words.emplace_back(w); };
    splitter.feed(text, emit);
    splitter.finish(emit);
    return words;
}

Words splitPieces(const WordRules& rules, const std::vector<std::string>& pieces) {
    WordSplitter splitter(rules);
    Words words;
    const auto emit = [&words](std::string_view w) { words.emplace_back(w); };
    for (const std::string& piece : pieces) splitter.feed(piece, emit);
    splitter.finish(emit);
    return words;
}

struct SplitRow {
    std::string rules;  // "" for the default rules
    std::string text;
    Words words;
};

const std::vector<SplitRow>& splitRows() {
    static const std::vector<SplitRow> rows = {
        {"", "doesn't stop", {"doesn't", "stop"}},
        {"", "'quoted' words", {"quoted", "words"}},
        {"", "the hippopotamus's tail", {"the", "hippopotamus's", "tail"}},
        {"", "rock'n'roll", {"rock'n'roll"}},
        {"", "dogs' bones", {"dogs", "bones"}},
        {"", "don’t ’quote’", {"don’t", "quote"}},
        {"", "l'été", {"l'été"}},
        {"", "x' ''y", {"x", "y"}},
        {"", "90's 1984 2001a", {"s", "2001a"}},
        {"", "snake_case, x2!", {"snake_case", "x2"}},
        {"", "café au lait", {"café", "au", "lait"}},
        {"", "cafe\xCC\x81 x", {"cafe\xCC\x81", "x"}},
        {"", "naïve—résumé", {"naïve", "résumé"}},
        {"", "caf\xE9 na\xEFve", {"caf\xE9", "na\xEFve"}},
        {"", "\xE2\x80 \xF0\x90", {"\xE2\x80", "\xF0\x90"}},
        {"", "Σοφία, Москва", {"Σοφία", "Москва"}},
        {"", "hi😀there", {"hi", "there"}},
        {"", "日本語テキスト", {"日本語テキスト"}},
        {"", "line one\nline two\r\n", {"line", "one", "line", "two"}},
        {"a-z'", "don't 'x' Don", {"don't", "x", "on"}},
        {"a-z\\u{2019}",
         "don’t don't",
         {"don’t", "don't"}},  // either apostrophe turns the rule on for both
        {"a-z", "don't", {"don", "t"}},
        {"\\x80-\\xff", "caf\xE9 café", {"\xE9", "é"}},
        {"α-ω", "αβγ ΑΒΓ δ", {"αβγ", "δ"}},
        {"\\u{1F600}", "a😀😀b", {"😀😀"}},
        {"-a", "a-b -", {"a-", "-"}},
        {"a\\-c", "abc a-c", {"a", "c", "a-c"}},
    };
    return rows;
}

WordRules rulesOf(const std::string& written) {
    return written.empty() ? WordRules() : WordRules::parse(written);
}

TEST(WordRules, SplitTextIntoWords) {
    for (const SplitRow& row : splitRows()) {
        SCOPED_TRACE(row.rules + " | " + row.text);
        EXPECT_EQ(splitWhole(rulesOf(row.rules), row.text), row.words);
    }
    // Numbers are kept when asked.
    EXPECT_EQ(splitWhole(WordRules(), "1984 ٣٤ x", true), (Words{"1984", "٣٤", "x"}));
    EXPECT_EQ(splitWhole(WordRules(), "1984 ٣٤ x"), (Words{"x"}));
}

TEST(WordRules, PiecesCutAnywhereGiveTheSameWords) {
    for (const SplitRow& row : splitRows()) {
        SCOPED_TRACE(row.rules + " | " + row.text);
        const WordRules rules = rulesOf(row.rules);
        const std::string& t = row.text;
        for (std::size_t i = 0; i <= t.size(); ++i) {
            ASSERT_EQ(splitPieces(rules, {t.substr(0, i), t.substr(i)}), row.words) << "cut " << i;
            for (std::size_t j = i; j <= t.size() && t.size() < 40; ++j) {
                ASSERT_EQ(splitPieces(rules, {t.substr(0, i), t.substr(i, j - i), t.substr(j)}),
                          row.words)
                    << "cuts " << i << " " << j;
            }
        }
        std::vector<std::string> bytes;
        for (const char c : t) bytes.emplace_back(1, c);
        ASSERT_EQ(splitPieces(rules, bytes), row.words);
    }
}

TEST(WordRules, RunawayWordsAreRefusedWithTheirLine) {
    WordSplitter::Options options;
    options.maxWordBytes = 8;
    const WordRules rules;
    struct Row {
        std::string text;
        bool refused;
        std::size_t line;
    };
    const std::vector<Row> rows = {
        {"abcdefgh ok", false, 0},    {"abcdefghi", true, 1}, {"\n\nshort\nabcdefghij", true, 4},
        {"abcd'efgh", true, 1},        // the apostrophe counts when it joins
        {"abcdefg\xC3\xA9", true, 1},  // bytes, not characters
    };
    // Rules that make the newline a word character: the lines still count.
    const WordRules everything = WordRules::parse("\\x01-\\x7f");
    const std::vector<Row> joined = {{"ab\ncdefghij", true, 2}, {"\n\n\nabcdefghi", true, 4}};
    for (const Row& row : joined) {
        SCOPED_TRACE(row.text);
        WordSplitter splitter(everything, options);
        const auto ignore = [](std::string_view) {};
        try {
            splitter.feed(row.text, ignore);
            ADD_FAILURE() << "not refused";
        } catch (const rorirer::WordTooLong& e) {
            EXPECT_EQ(e.line(), row.line);
        }
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        WordSplitter splitter(rules, options);
        const auto ignore = [](std::string_view) {};
        try {
            splitter.feed(row.text, ignore);
            splitter.finish(ignore);
            EXPECT_FALSE(row.refused);
        } catch (const rorirer::WordTooLong& e) {
            EXPECT_TRUE(row.refused);
            EXPECT_EQ(e.line(), row.line);
            EXPECT_EQ(e.limit(), 8u);
            EXPECT_EQ(std::string(e.what()),
                      "a word on line " + std::to_string(row.line) + " is longer than 8 bytes");
            // The splitter goes on as at the start of a text.
            EXPECT_EQ(splitter.line(), row.line);
            Words after;
            const auto take = [&after](std::string_view w) { after.emplace_back(w); };
            splitter.feed("12 it's x\xC3", take);
            splitter.feed("\xA9 don'", take);
            splitter.finish(take);
            EXPECT_EQ(after, (Words{"it's", "x\xC3\xA9", "don"}));
        }
    }
}

TEST(WordRules, WordBeforeTheCursor) {
    struct Row {
        std::string line;
        std::size_t cursor;
        std::string word;
    };
    const std::vector<Row> rows = {
        {"hello wor", 9, "wor"},   {"hello ", 6, ""},
        {"doesn'", 6, "doesn'"},   {"doesn't", 7, "doesn't"},
        {"doesn’", 8, "doesn’"},   {"'quo", 4, "quo"},
        {"x café", 7, "café"},     {"hello", 3, "hel"},
        {"a b", 10, "b"},          {"dogs' x", 5, "dogs'"},
        {"dogs' ", 6, ""},         {"90'", 3, ""},
        {"caf\xE9", 4, "caf\xE9"}, {"", 0, ""},
    };
    const WordRules rules;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        const std::size_t start = rorirer::wordStartBeforeCursor(rules, row.line, row.cursor);
        const std::size_t end = std::min(row.cursor, row.line.size());
        EXPECT_EQ(row.line.substr(start, end - start), row.word);
    }
}

TEST(WordRules, WrittenSetsAndTheirErrors) {
    struct Row {
        std::string written;
        std::string error;  // empty: accepted
    };
    const std::vector<Row> rows = {
        {"a-zA-Z_'", ""},
        {"\\x80-\\xff", ""},
        {"\\u{10FFFF}\\u{41}", ""},
        {"\\\\", ""},
        {"\\", "--word-chars: '\\' at the end of the set"},
        {"\\x4", "--word-chars: '\\x' needs two hex digits"},
        {"\\xg0", "--word-chars: '\\x' needs two hex digits"},
        {"z-a", "--word-chars: range 'z-a' runs backwards"},
        {"ab\\x7a-\\x61", "--word-chars: range '\\x7a-\\x61' runs backwards"},
        {"\\u{110000}", "--word-chars: '\\u{110000}' is not a code point"},
        {"\\u{D800}", "--word-chars: '\\u{D800}' is not a code point"},
        {"\\u{}", "--word-chars: '\\u' needs {H...}: one to six hex digits of a code point"},
        {"\\u{1234567}", "--word-chars: '\\u' needs {H...}: one to six hex digits of a code point"},
        {"\\u41", "--word-chars: '\\u' needs {H...}: one to six hex digits of a code point"},
        {"a\xFF", "--word-chars: byte 2 of the set is not UTF-8 (write \\xHH for U+00HH)"},
        {"'", "--word-chars: the set is empty"},
        {"\\x00", "--word-chars: the set is empty"},
        {"", "--word-chars: the set is empty"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.written);
        try {
            WordRules::parse(row.written);
            EXPECT_EQ(row.error, "");
        } catch (const rorirer::WordRulesError& e) {
            EXPECT_EQ(std::string(e.what()), row.error);
        }
    }
    EXPECT_THROW(WordRules::parse("z-a", "wordChars"), rorirer::WordRulesError);
    try {
        WordRules::parse("", "wordChars");
    } catch (const rorirer::WordRulesError& e) {
        EXPECT_EQ(std::string(e.what()), "wordChars: the set is empty");
    }
    // Break characters for byte-wise line editors: the ASCII non-word ones.
    const std::string breaks = WordRules::parse("a-z").breakCharacters();
    EXPECT_EQ(breaks.find('a'), std::string::npos);
    EXPECT_NE(breaks.find('A'), std::string::npos);
    EXPECT_NE(breaks.find('\''), std::string::npos);
    EXPECT_EQ(breaks.size(), 127u - 26u);
    EXPECT_EQ(WordRules().breakCharacters().size(), 127u - 63u);
}

TEST(WordRules, AsciiClassesAgreeWithTheMembers) {
    const WordRules sets[] = {WordRules(), WordRules::parse("a-z'"), WordRules::parse("0-9_\\-"),
                              WordRules::parse("\\x00-\\x7f")};
    for (const WordRules& rules : sets) {
        for (char32_t c = 0; c < 0x80; ++c) {
            const rorirer::Character character{c, 1, true};
            const std::uint8_t kind = rules.asciiClass(static_cast<std::uint8_t>(c));
            EXPECT_EQ((kind & WordRules::kAsciiWord) != 0, rules.isWordCharacter(character)) << c;
            EXPECT_EQ((kind & WordRules::kAsciiLetter) != 0, rules.isLetter(character)) << c;
            EXPECT_EQ((kind & WordRules::kAsciiDigit) != 0, rules.isDigit(character)) << c;
        }
    }
}

TEST(DictionaryLine, WordsAndCounts) {
    struct Row {
        std::string line;
        std::string word;
        std::uint64_t count;
        bool hasCount;
    };
    const std::vector<Row> rows = {
        {"hello", "hello", 0, false},
        {"hello\t42", "hello", 42, true},
        {"hello  \r", "hello", 0, false},
        {"hello\t42 \r", "hello", 42, true},
        {"hello \t42", "hello", 42, true},
        {"two words\t7", "two words", 7, true},
        {"tab\tin\tmiddle", "tab\tin\tmiddle", 0, false},
        {"word\t4x", "word\t4x", 0, false},
        {"word 42", "word 42", 0, false},
        {"hello\t", "hello", 0, false},
        {"big\t99999999999999999999999", "big", UINT64_MAX, true},
        {"\t5", "", 5, true},
        {"", "", 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        const rorirer::DictionaryLine parsed = rorirer::parseDictionaryLine(row.line);
        EXPECT_EQ(std::string(parsed.word), row.word);
        EXPECT_EQ(parsed.count, row.count);
        EXPECT_EQ(parsed.hasCount, row.hasCount);
    }
}

}  // namespace
