// The pair counts against a std::map through random additions and removals
// over few contexts and many followers, so that followers come and go, a
// context's keys are compacted, and the bound is reached.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "completion/WordPairs.h"

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

}  // namespace
