// The tallies of a change's words and word pairs against a std::map, through
// enough words to grow their tables several times, with counts that go up,
// down and to zero, and in the order first met.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "lsp/WordTally.h"

namespace rorirer::lsp {
namespace {

TEST(WordTally, AgreesWithAMap) {
    std::mt19937 random(5);
    for (int round = 0; round < 20; ++round) {
        WordTally tally;
        std::map<std::string, long> model;
        const int words = 1 << (round % 12);
        for (int i = 0; i < 4 * words; ++i) {
            std::string word = "w" + std::to_string(random() % static_cast<unsigned>(words));
            if (random() % 7 == 0) word += std::string(random() % 40, '\xC3');
            if (random() % 11 == 0) word.clear();
            const long delta = static_cast<long>(random() % 5) - 2;
            tally.add(word, delta);
            model[word] += delta;
        }
        std::map<std::string, long> seen;
        tally.forEach([&seen](std::string_view word, long count) {
            EXPECT_TRUE(seen.emplace(std::string(word), count).second) << "twice: " << word;
        });
        EXPECT_EQ(seen, model);
        EXPECT_EQ(tally.size(), model.size());
    }
}

TEST(PairTally, AgreesWithAMap) {
    using Pair = std::pair<std::string, std::string>;
    std::mt19937 random(6);
    for (int round = 0; round < 16; ++round) {
        PairTally tally;
        std::map<Pair, long> model;
        std::vector<Pair> met;
        const unsigned words = 1u << (round % 8);
        std::string previous;
        for (int i = 0; i < 64 * static_cast<int>(words); ++i) {
            std::string word = "w" + std::to_string(random() % words);
            if (random() % 9 == 0) word.clear();
            // Mostly read on from the last word, as text is; now and then not.
            if (random() % 5 == 0) previous = "w" + std::to_string(random() % words);
            const long delta = static_cast<long>(random() % 5) - 2;
            tally.add(previous, word, delta);
            const Pair pair(previous, word);
            if (model.emplace(pair, 0).second) met.push_back(pair);
            model[pair] += delta;
            previous = word;
        }
        std::vector<Pair> seen;
        tally.forEach([&](std::string_view a, std::string_view b, long count) {
            seen.emplace_back(a, b);
            EXPECT_EQ(count, model[seen.back()]) << a << " " << b;
        });
        EXPECT_EQ(seen, met);
        EXPECT_EQ(tally.size(), model.size());
    }
}

}  // namespace
}  // namespace rorirer::lsp
