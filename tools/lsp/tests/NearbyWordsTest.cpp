// The document's words nearest the cursor, against a brute-force reading of
// every line's words in the same order, and the bound on how far it reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "WordText.h"
#include "completion/WordBoundaries.h"
#include "lsp/NearbyWords.h"

namespace rorirer::lsp {
namespace {

bool beginsWith(std::string_view word, std::string_view typed) {
    if (word.size() < typed.size()) return false;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        const auto a = static_cast<unsigned char>(word[i]);
        const auto b = static_cast<unsigned char>(typed[i]);
        const bool letters = std::isalpha(a) && std::isalpha(b) && a < 0x80 && b < 0x80;
        if (a != b && !(letters && std::tolower(a) == std::tolower(b))) return false;
    }
    return true;
}

// Every line read whole, in the order the search promises.
std::vector<std::string> bruteForce(const Document& document, const WordRules& rules,
                                    const NearbySearch& search) {
    std::vector<std::size_t> order{search.cursor.line};
    for (std::size_t away = 1; away <= NearbySearch::kMaxLines; ++away) {
        if (away <= search.cursor.line) order.push_back(search.cursor.line - away);
        if (search.cursor.line + away < document.lineCount())
            order.push_back(search.cursor.line + away);
    }
    std::vector<std::string> words;
    for (const std::size_t number : order) {
        const std::string_view line = document.lineText(number);
        std::vector<WordSpan> spans;
        WordSpanReader reader(rules, line, 0, search.keepNumbers);
        WordSpan span;
        while (reader.next(span)) spans.push_back(span);
        if (number == search.cursor.line) {
            const auto away = [&](const WordSpan& s) {
                return s.start > search.cursor.byte ? s.start - search.cursor.byte
                                                    : search.cursor.byte - s.start;
            };
            std::stable_sort(spans.begin(), spans.end(), [&](const WordSpan& a, const WordSpan& b) {
                return away(a) < away(b);
            });
        } else if (number < search.cursor.line) {
            std::reverse(spans.begin(), spans.end());
        }
        for (const WordSpan& s : spans) {
            if (number == search.cursor.line && s.start == search.typedStart) continue;
            const std::string word(line.substr(s.start, s.end - s.start));
            if (!beginsWith(word, search.typed)) continue;
            if (std::find(words.begin(), words.end(), word) != words.end()) continue;
            words.push_back(word);
            if (words.size() == search.limit) return words;
        }
    }
    return words;
}

TEST(NearbyWords, AgreeWithReadingEveryLine) {
    const WordRules rules;
    const char* const typedWords[] = {"he", "hel", "Hel", "HE", "l", "x", "\xC3\xA9", "a", "7"};
    std::mt19937 random(99);
    for (int round = 0; round < 1500; ++round) {
        std::string text;
        const int lines = 1 + static_cast<int>(random() % 30);
        for (int i = 0; i < lines; ++i) {
            if (i > 0) text += "\n";
            text += testsupport::randomWordLine(random, static_cast<int>(random() % 12));
        }
        const Document document("file:///n", text, 100000);
        NearbySearch search;
        search.typed = typedWords[random() % (sizeof typedWords / sizeof *typedWords)];
        search.cursor.line = random() % document.lineCount();
        const std::size_t width = document.lineText(search.cursor.line).size();
        search.cursor.byte = random() % (width + 1);
        search.typedStart = random() % 2 == 0 ? search.cursor.byte : random() % (width + 1);
        search.limit = 1 + random() % 8;
        search.keepNumbers = round % 2 == 0;
        ASSERT_EQ(findNearbyWords(document, rules, search), bruteForce(document, rules, search))
            << "round " << round << " typed " << search.typed;
    }
}

// Lines longer than the bytes a search reads are read in part: each word
// offered is still one of the document's, never a piece of one. The words
// are long and varied, so that a piece is rarely a word too.
TEST(NearbyWords, LongLinesGiveOnlyTheirOwnWords) {
    const WordRules rules;
    const char* const pieces[] = {"a",    "h", "e",        "l",
                                  "o",    "'", "\xC3\xA9", "\xE4\xB8\xAD",
                                  "\x80", " ", ".",        "\xE2\x80\x94" /* an em dash */};
    std::mt19937 random(7);
    for (int round = 0; round < 100; ++round) {
        std::string text;
        for (std::size_t lines = 1 + random() % 4; lines > 0; --lines, text += '\n')
            for (std::size_t n = random() % 50000; n > 0; --n)
                text += pieces[random() % (n % 20 == 0 ? 12 : 9)];  // breaks at most every 20
        const Document document("file:///l", text, 1 << 30);
        NearbySearch search;
        search.typed = round % 2 == 0 ? "a" : "he";
        search.cursor.line = random() % document.lineCount();
        search.cursor.byte = search.typedStart =
            random() % (document.lineText(search.cursor.line).size() + 1);
        search.limit = 1000;
        NearbySearch everything = search;
        everything.limit = static_cast<std::size_t>(-1);
        const std::vector<std::string> all = bruteForce(document, rules, everything);
        for (const std::string& word : findNearbyWords(document, rules, search))
            ASSERT_NE(std::find(all.begin(), all.end(), word), all.end()) << "round " << round;
    }
}

TEST(NearbyWords, ReadsABoundedWindow) {
    const WordRules rules;
    NearbySearch search;
    search.typed = "zan";
    search.cursor = {500, 0};
    search.typedStart = 0;
    // (line of the only other "zanzibar", found)
    const std::pair<std::size_t, bool> rows[] = {{499, true},
                                                 {500 + NearbySearch::kMaxLines, true},
                                                 {500 - NearbySearch::kMaxLines - 1, false},
                                                 {500 + NearbySearch::kMaxLines + 1, false}};
    for (const auto& row : rows) {
        std::string text;
        for (std::size_t i = 0; i < 1000; ++i) text += i == row.first ? "zanzibar\n" : "x\n";
        const Document document("file:///w", text, 100000);
        const std::vector<std::string> expected =
            row.second ? std::vector<std::string>{"zanzibar"} : std::vector<std::string>{};
        EXPECT_EQ(findNearbyWords(document, rules, search), expected) << row.first;
    }
    // Long lines: the byte bound stops the search before the line count does.
    std::string text(NearbySearch::kMaxBytes, 'x');
    text += "\nzanzibar\n";
    const Document document("file:///b", "zan\n" + text, 1 << 30);
    search.cursor = {0, 3};
    EXPECT_EQ(findNearbyWords(document, rules, search), std::vector<std::string>{});

    // Within a line too: around the cursor on its line, the end nearest the
    // cursor on a line above. A word the part read cuts is not offered.
    const std::string half(NearbySearch::kMaxBytes / 2, 'x');
    const std::string all = half + half;
    std::string run;
    while (run.size() < 40000) run += "zan";
    // (text, cursor, found)
    const std::tuple<std::string, LinePosition, std::vector<std::string>> cases[] = {
        {"zan " + all + " zanzibar", {0, 3}, {}},
        {"zan " + half + " zanzibar " + all, {0, 3}, {"zanzibar"}},
        {"zanzibar " + all + " zan", {0, all.size() + 13}, {}},
        {"zanzibar " + all + " zanzi\nzan", {1, 3}, {"zanzi"}},
        {"zan\n" + all.substr(7) + " zanzibar", {0, 3}, {}},
        {run + "\nzan", {1, 3}, {}},
    };
    for (const auto& [body, cursor, found] : cases) {
        const Document longLines("file:///c", body, 1 << 30);
        search.cursor = cursor;
        search.typedStart = cursor.byte - 3;
        EXPECT_EQ(findNearbyWords(longLines, rules, search), found) << body.substr(0, 20);
    }
}

}  // namespace
}  // namespace rorirer::lsp
