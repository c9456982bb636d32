// The line table under random replacements of few and many lines, against
// a plain vector, with its block bounds and index checked after each.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "lsp/LineTable.h"

namespace rorirer::lsp {
namespace {

TEST(LineTable, MatchesVectorAndKeepsItsBounds) {
    std::mt19937 random(5150);
    LineTable table;
    std::vector<std::string> model;
    int made = 0;
    for (int step = 0; step < 4000; ++step) {
        const std::size_t first = random() % (model.size() + 1);
        // Mostly small changes, now and then thousands of lines at once.
        const std::size_t most = random() % 20 == 0 ? 3000 : 4;
        std::size_t count = std::min<std::size_t>(random() % (most + 1), model.size() - first);
        // Now and then all but a few lines from here to the end, which
        // leaves a block with almost nothing in it.
        if (random() % 40 == 0)
            count =
                model.size() - first - std::min<std::size_t>(random() % 8, model.size() - first);
        std::vector<std::string> incoming(random() % (most + 1));
        // Grow first, so that the table gets many blocks, then wander, then
        // shrink, so that blocks merge.
        if (step < 1500) count /= 4;
        if (step >= 3000) incoming.resize(incoming.size() / 4);
        for (std::string& line : incoming) line = "line " + std::to_string(made++);
        const std::vector<std::string> expectedOut(
            model.begin() + static_cast<std::ptrdiff_t>(first),
            model.begin() + static_cast<std::ptrdiff_t>(first + count));
        model.erase(model.begin() + static_cast<std::ptrdiff_t>(first),
                    model.begin() + static_cast<std::ptrdiff_t>(first + count));
        model.insert(model.begin() + static_cast<std::ptrdiff_t>(first), incoming.begin(),
                     incoming.end());
        std::vector<std::string> outgoing;
        table.replace(first, count, incoming, outgoing);
        ASSERT_EQ(outgoing, expectedOut) << "step " << step;
        ASSERT_EQ(table.checkInvariants(), "") << "step " << step;
        ASSERT_EQ(table.size(), model.size()) << "step " << step;
        if (step % 50 != 0 && model.size() >= 600) continue;
        for (std::size_t i = 0; i < model.size(); ++i) {
            ASSERT_EQ(table[i], model[i]) << "step " << step;
        }
    }
}

}  // namespace
}  // namespace rorirer::lsp
