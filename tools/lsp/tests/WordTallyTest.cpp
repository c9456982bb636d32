// The tally of a change's words against a std::map, through enough words to
// grow its table several times, with counts that go up, down and to zero.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

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

}  // namespace
}  // namespace rorirer::lsp
