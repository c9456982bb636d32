// The pair counts against a std::map through random additions and removals
// over few contexts and many followers, so that followers come and go, a
// context's keys are compacted, and the bound is reached; and the pairs a
// text's sentences and lines make.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "completion/WordPairs.h"
#include "completion/WordRules.h"

namespace {

TEST(WordPairs, AgreesWithAMap) {
    std::mt19937 random(12);
    for (int round = 0; round < 30; ++round) {
        const std::size_t most = round % 3 == 0 ? 20 : 100000;
        rorirer::WordPairs pairs(most);
        // By context (folded, as the pairs keep it), then word as written.
        std::map<std::string, std::map<std::string, std::uint32_t>> model;
        std::size_t size = 0;
        const char* const contexts[] = {"", "the", "The", "a"};
        for (int step = 0; step < 3000; ++step) {
            const std::string previous = contexts[random() % 4];
            const std::string context = previous == "The" ? "the" : previous;
            std::string word = "w" + std::to_string(random() % 30);
            if (random() % 4 == 0) word[0] = 'W';
            const auto n = static_cast<std::uint32_t>(1 + random() % 3);
            auto& counts = model[context];
            if (random() % 2 == 0) {
                const bool counted = counts.count(word) != 0;
                if (counted || size < most) {
                    if (!counted) ++size;
                    counts[word] += n;
                }
                pairs.add(previous, word, n);
            } else {
                const auto found = counts.find(word);
                if (found != counts.end()) {
                    found->second -= std::min(found->second, n);
                    if (found->second == 0) {
                        counts.erase(found);
                        --size;
                    }
                }
                pairs.remove(previous, word, n);
            }
            ASSERT_EQ(pairs.size(), size) << "round " << round << " step " << step;
            if (step % 50 != 0) continue;
            for (const auto& [after, words] : model) {
                std::uint64_t total = 0;
                std::vector<std::pair<std::string, std::uint32_t>> seen;
                pairs.forEachAfter(after, "w", [&](std::string_view w, std::uint32_t c) {
                    seen.emplace_back(std::string(w), c);
                });
                std::vector<std::pair<std::string, std::uint32_t>> expected;
                for (const auto& [w, c] : words) {
                    total += c;
                    ASSERT_EQ(pairs.count(after, w), c) << after << " " << w;
                    expected.emplace_back(w, c);
                }
                ASSERT_EQ(pairs.countAfter(after), total) << after;
                // In folded order, and within it as written.
                std::sort(seen.begin(), seen.end());
                ASSERT_EQ(seen, expected) << "round " << round << " step " << step;
            }
        }
    }
}

TEST(WordPairs, ComposedAndDecomposedFormsAreOneWord) {
    rorirer::WordPairs pairs;
    pairs.add("Cafe\u0301", "nai\u0308ve");
    pairs.add("caf\u00e9", "na\u00efve");
    EXPECT_EQ(pairs.count("CAF\u00c9", "na\u00efve"), 2u);
    std::vector<std::string> seen;
    pairs.forEachAfter("cafe\u0301", "na",
                       [&](std::string_view w, std::uint32_t) { seen.emplace_back(w); });
    EXPECT_EQ(seen, std::vector<std::string>{"na\u00efve"});
}

TEST(PairReader, SentencesEndAtStopsBlankLinesAndWordlessLines) {
    const rorirer::WordRules rules;
    const rorirer::PairReader reader(rules, false);
    std::vector<std::pair<std::string, std::string>> seen;
    rorirer::PairReader::Context context;
    for (const char* line : {"Hello there. General Kenobi!", "you are", "a bold one", "",
                             "Back 42 again", "... so", "---", "and"})
        reader.readLine(line, context, [&](std::string_view previous, std::string_view word) {
            seen.emplace_back(previous, word);
        });
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"", "Hello"},     {"Hello", "there"}, {"", "General"}, {"General", "Kenobi"}, {"", "you"},
        {"you", "are"},    {"are", "a"},       {"a", "bold"},   {"bold", "one"},       {"", "Back"},
        {"Back", "again"}, {"", "so"},         {"", "and"}};
    EXPECT_EQ(seen, expected);

    // What a word typed at the end follows, also when the last word is
    // further back than one look back reaches, or there is none.
    const auto before = [&](const std::string& line) {
        rorirer::PairReader::Context c;
        c.previous = "kept";
        c.sentenceStart = false;
        reader.readUpTo(line, line.size(), c);
        return c.sentenceStart ? std::string("<start>") : c.previous;
    };
    EXPECT_EQ(before("Hello there "), "there");
    EXPECT_EQ(before("Hello there. "), "<start>");
    EXPECT_EQ(before("word" + std::string(300, ' ') + ","), "word");
    EXPECT_EQ(before(std::string(300, '-')), "kept");
}

}  // namespace
