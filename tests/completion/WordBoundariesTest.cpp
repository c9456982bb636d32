// Where words lie in a line, against the layer's WordSplitter and against
// the word scanner run from the line's start, on random lines: the same
// words in the same order from the line's start and from every restart
// point, the word that starts at each byte, and the same typed word before
// every cursor.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "WordText.h"
#include "completion/WordBoundaries.h"
#include "completion/WordRules.h"
#include "completion/WordSplitter.h"

namespace rorirer {
namespace {

std::vector<std::string> splitterWords(const WordRules& rules, const std::string& line,
                                       bool keepNumbers) {
    std::vector<std::string> words;
    WordSplitter splitter(rules, {keepNumbers, 1 << 20});
    const auto take = [&words](std::string_view word) { words.emplace_back(word); };
    splitter.feed(line, take);
    splitter.finish(take);
    return words;
}

std::vector<WordSpan> readSpans(const WordRules& rules, const std::string& line, std::size_t from,
                                bool keepNumbers) {
    std::vector<WordSpan> spans;
    WordSpanReader reader(rules, line, from, keepNumbers);
    WordSpan span;
    while (reader.next(span)) spans.push_back(span);
    return spans;
}

// The word before the cursor, scanning the whole line up to it.
std::size_t startFromLineStart(const WordRules& rules, const std::string& line,
                               std::size_t cursor) {
    const std::string_view before = std::string_view(line).substr(0, cursor);
    WordScanner scanner(rules);
    std::size_t start = 0;
    for (std::size_t at = 0; at < before.size();) {
        const Character c = decodeCharacter(before, at);
        if ((scanner.take(c) & WordScanner::kStarts) != 0) start = at;
        at += c.length;
    }
    return scanner.inWord() ? start : before.size();
}

TEST(WordBoundaries, AgreeWithTheSplitterAndFromEveryRestartPoint) {
    const WordRules rulesets[] = {WordRules(), WordRules::parse("a-zA-Z'"),
                                  WordRules::parse("a-z0-9.\\x80-\\xff")};
    std::mt19937 random(4242);
    for (int round = 0; round < 3000; ++round) {
        const WordRules& rules = rulesets[round % 3];
        const bool keepNumbers = round % 2 == 0;
        const std::string line =
            testsupport::randomWordLine(random, static_cast<int>(random() % 14));
        const std::vector<WordSpan> spans = readSpans(rules, line, 0, keepNumbers);
        std::vector<std::string> texts;
        for (const WordSpan& span : spans) {
            ASSERT_LT(span.start, span.end);
            texts.push_back(line.substr(span.start, span.end - span.start));
        }
        ASSERT_EQ(texts, splitterWords(rules, line, keepNumbers)) << line;

        for (std::size_t at = 0; at <= line.size(); ++at) {
            // From a restart point: the words that start there or later.
            const std::size_t from = restartPointBefore(rules, line, at);
            ASSERT_LE(from, at);
            std::vector<WordSpan> later;
            for (const WordSpan& span : spans)
                if (span.start >= from) later.push_back(span);
            const std::vector<WordSpan> read = readSpans(rules, line, from, keepNumbers);
            ASSERT_EQ(read.size(), later.size()) << line << " from " << from;
            for (std::size_t i = 0; i < read.size(); ++i) {
                ASSERT_EQ(read[i].start, later[i].start) << line << " from " << from;
                ASSERT_EQ(read[i].end, later[i].end) << line << " from " << from;
            }
            // The word that starts at `at`, if one does.
            std::size_t end = at;
            for (const WordSpan& span : spans)
                if (span.start == at) end = span.end;
            ASSERT_EQ(wordEndFrom(rules, line, at, keepNumbers), end) << line << " at " << at;
            ASSERT_EQ(wordStartBeforeCursor(rules, line, at), startFromLineStart(rules, line, at))
                << line << " cursor " << at;
        }
    }
}

TEST(WordBoundaries, WorkedExamples) {
    const WordRules rules;
    struct Row {
        std::string line;
        std::vector<std::string> words;
    };
    const Row rows[] = {
        {"doesn't stop", {"doesn't", "stop"}},
        {"'quoted' dogs' rock'n'roll", {"quoted", "dogs", "rock'n'roll"}},
        {"it\xE2\x80\x99s 90's 1984 a_b",
         {"it\xE2\x80\x99s", "s", "a_b"}},  // digits alone are no word
        {"caf\xE9 \xF0\x9F\x98\x80x", {"caf\xE9", "x"}},
        {"doesn'", {"doesn"}},
        {"", {}},
    };
    for (const Row& row : rows) {
        std::vector<std::string> texts;
        for (const WordSpan& span : readSpans(rules, row.line, 0, false))
            texts.push_back(row.line.substr(span.start, span.end - span.start));
        EXPECT_EQ(texts, row.words) << row.line;
    }
}

}  // namespace
}  // namespace rorirer
