// The rank index and its streams against plain sorted vectors: thousands of
// insertions, removals and score changes, in random and sorted order, with
// the tree's invariants checked after each; ranks of prefixes; the word
// table's batched lookup; and the best-first stream over random ranges
// against sorting every word.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "completion/internal/RadixSort.h"
#include "completion/internal/RankIndex.h"
#include "completion/internal/RankedStream.h"
#include "completion/internal/WordTable.h"

using rorirer::RankIndex;
using rorirer::RankRange;
using rorirer::WordTable;

namespace {

// A table and an index kept together, with the plain model beside them.
class Fixture {
public:
    bool insert(const std::string& word, std::uint64_t score) {
        if (table_.find(word) != WordTable::kNoWord) return false;
        table_.reserve(1, WordTable::arenaBytesOf(word.size()));
        index_.reserveInsert(table_.idLimit() + 1);
        const std::uint32_t id = table_.insert(word, 1);
        index_.insert(id, score, table_);
        model_[word] = score;
        return true;
    }
    bool erase(const std::string& word) {
        const std::uint32_t id = table_.find(word);
        if (id == WordTable::kNoWord) return false;
        index_.erase(id, table_);
        table_.erase(id);
        model_.erase(word);
        return true;
    }
    void setScore(const std::string& word, std::uint64_t score) {
        index_.setScore(table_.find(word), score);
        model_[word] = score;
    }
    void build(const std::vector<std::string>& words, unsigned seed) {
        std::mt19937 random(seed);
        std::vector<std::string> sorted(words);
        std::sort(sorted.begin(), sorted.end());
        sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
        table_.clear();
        model_.clear();
        std::size_t bytes = 0;
        for (const auto& w : sorted) bytes += WordTable::arenaBytesOf(w.size());
        table_.reserve(sorted.size(), bytes);
        RankIndex::Builder builder(sorted.size(), static_cast<std::uint32_t>(sorted.size()));
        for (const auto& w : sorted) {
            const std::uint32_t id = table_.insert(w, 1);
            const std::uint64_t score = random() % 50;
            builder.add(id, score, table_.word(id));
            model_[w] = score;
        }
        builder.finish(index_);
    }

    std::string check() const {
        return index_.check(
            table_, [this](std::uint32_t id) { return model_.at(std::string(table_.word(id))); });
    }

    const RankIndex& index() const { return index_; }
    const WordTable& table() const { return table_; }
    const std::map<std::string, std::uint64_t>& model() const { return model_; }

private:
    WordTable table_;
    RankIndex index_;
    std::map<std::string, std::uint64_t> model_;
};

std::string randomWord(std::mt19937& random) {
    std::string w;
    const int length = 1 + static_cast<int>(random() % 12);
    for (int i = 0; i < length; ++i)
        w.push_back(static_cast<char>("abcdxyz\x80\xff"[random() % 9]));
    return w;
}

// Every word of the ranges, best score first, ties in byte order.
std::vector<std::string> bestFirst(const Fixture& f, const std::vector<RankRange>& ranges) {
    std::vector<std::pair<std::uint64_t, std::string>> all;
    std::size_t rank = 0;
    for (const auto& [word, score] : f.model()) {
        for (const RankRange& r : ranges)
            if (rank >= r.begin && rank < r.end) all.emplace_back(score, word);
        ++rank;
    }
    std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    std::vector<std::string> out;
    out.reserve(all.size());
    for (const auto& e : all) out.push_back(e.second);
    return out;
}

void checkQueries(const Fixture& f, std::mt19937& random) {
    std::vector<std::string> words;
    for (const auto& entry : f.model()) words.push_back(entry.first);
    // Ranks of prefixes, from the lower bound of each to the end of its words.
    for (int i = 0; i < 20; ++i) {
        const std::string key = randomWord(random).substr(0, 1 + random() % 3);
        const auto low = static_cast<std::uint32_t>(
            std::lower_bound(words.begin(), words.end(), key) - words.begin());
        std::uint32_t end = low;
        while (end < words.size() && words[end].compare(0, key.size(), key) == 0) ++end;
        const RankRange range = f.index().rangeOf(key, f.table());
        ASSERT_EQ(range.begin, low) << key;
        ASSERT_EQ(range.end, end) << key;
    }
    for (std::size_t r = 0; r < words.size(); r += 1 + random() % 7) {
        const std::uint32_t id = f.table().find(words[r]);
        ASSERT_EQ(f.index().rangeOf(words[r], f.table()).begin, r);
        ASSERT_EQ(f.index().idAt(f.index().positionOf(static_cast<std::uint32_t>(r))), id);
    }
    // Many words looked up at once, stored or not (some erased), against
    // the model, in a batch that is not a whole number of the table's.
    constexpr int kAsked = 37;
    std::vector<std::string> asked;
    asked.reserve(kAsked);
    for (int i = 0; i < kAsked; ++i) {
        asked.push_back(random() % 2 == 0 || words.empty() ? randomWord(random)
                                                           : words[random() % words.size()]);
    }
    const std::vector<std::string_view> views(asked.begin(), asked.end());
    std::vector<std::uint32_t> ids(asked.size());
    f.table().findMany(views.data(), views.size(), ids.data());
    for (std::size_t i = 0; i < asked.size(); ++i) {
        if (f.model().count(asked[i]) == 0) {
            ASSERT_EQ(ids[i], WordTable::kNoWord) << asked[i];
        } else {
            ASSERT_EQ(f.table().word(ids[i]), asked[i]);
        }
    }
    // Best first over disjoint ranges, against sorting them all.
    const auto n = static_cast<std::uint32_t>(words.size());
    std::vector<std::uint32_t> cuts;
    cuts.reserve(6);
    for (int i = 0; i < 6; ++i)
        cuts.push_back(n == 0 ? 0 : static_cast<std::uint32_t>(random() % (n + 1)));
    std::sort(cuts.begin(), cuts.end());
    const std::vector<RankRange> ranges = {
        {0, 0}, {cuts[0], cuts[1]}, {cuts[2], cuts[3]}, {cuts[4], cuts[5]}};
    rorirer::RankedStream stream(f.index(), ranges);
    std::vector<std::string> got;
    std::uint32_t id;
    std::uint64_t score;
    while (stream.next(id, score)) got.emplace_back(f.table().word(id));
    ASSERT_EQ(got, bestFirst(f, ranges));
    rorirer::OrderedStream ordered(f.index(), ranges);
    std::vector<std::string> inOrder;
    while (ordered.next(id)) inOrder.emplace_back(f.table().word(id));
    std::vector<std::string> expected = got;
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(inOrder, expected);
}

TEST(RankIndex, AgreesWithSortedWordsThroughChanges) {
    for (unsigned seed = 1; seed <= 6; ++seed) {
        std::mt19937 random(seed);
        Fixture f;
        for (int step = 0; step < 6000; ++step) {
            const std::string w = randomWord(random);
            const auto op = random() % 10;
            // Grow, then shrink, then churn: splits, merges and collapses.
            const bool growing = step < 2500 || (step > 4000 && op < 5);
            if (growing ? op < 8 : op < 2) {
                f.insert(w, random() % 40);
            } else if (!f.model().empty() && op < 9) {
                auto it = f.model().begin();
                std::advance(it, static_cast<long>(random() % f.model().size()));
                f.erase(std::string(it->first));
            } else if (!f.model().empty()) {
                auto it = f.model().begin();
                std::advance(it, static_cast<long>(random() % f.model().size()));
                f.setScore(std::string(it->first), random() % 40);
            }
            if (step % 50 == 0 || f.model().size() < 70) {
                ASSERT_EQ(f.check(), "") << "step " << step;
            }
            if (step % 500 == 0) checkQueries(f, random);
            if (::testing::Test::HasFailure()) return;
        }
        while (!f.model().empty()) {
            f.erase(std::string(f.model().begin()->first));
            if (f.model().size() % 37 == 0) {
                ASSERT_EQ(f.check(), "");
            }
        }
        ASSERT_EQ(f.check(), "");
    }
}

TEST(RankIndex, BuildsInBulkAndThenChanges) {
    std::mt19937 random(7);
    for (std::size_t size : {0u, 1u, 63u, 64u, 65u, 4096u, 4097u, 20000u}) {
        SCOPED_TRACE(size);
        Fixture f;
        std::vector<std::string> words;
        for (std::size_t i = 0; i < size; ++i)
            words.push_back(randomWord(random) + std::to_string(i));
        f.build(words, static_cast<unsigned>(random()));
        ASSERT_EQ(f.check(), "");
        checkQueries(f, random);
        // Full leaves split on the first insertion into each.
        for (int i = 0; i < 300; ++i) f.insert(randomWord(random), random() % 50);
        ASSERT_EQ(f.check(), "");
        checkQueries(f, random);
        for (int i = 0; i < 200 && !f.model().empty(); ++i)
            f.erase(std::string(f.model().begin()->first));
        ASSERT_EQ(f.check(), "");
        checkQueries(f, random);
    }
}

TEST(RankIndex, SortedInsertionsAndRemovalsKeepItBalanced) {
    Fixture f;
    std::mt19937 random(3);
    for (int i = 0; i < 5000; ++i) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "w%06d", i);
        f.insert(buffer, static_cast<std::uint64_t>(i % 97));
    }
    ASSERT_EQ(f.check(), "");
    checkQueries(f, random);
    for (int i = 0; i < 5000; i += 2) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "w%06d", i);
        f.erase(buffer);
    }
    ASSERT_EQ(f.check(), "");
    checkQueries(f, random);
}

TEST(RadixSort, AgreesWithComparisonSort) {
    std::mt19937 random(11);
    for (std::size_t size : {0u, 1u, 2u, 63u, 64u, 65u, 300u, 5000u, 40000u}) {
        // Long shared prefixes, words that are prefixes of others, bytes
        // from 0x80 up, and repeats.
        std::vector<std::string> words;
        for (std::size_t i = 0; i < size; ++i) {
            std::string w = random() % 3 == 0 ? std::string(20 + random() % 10, 'q') : "";
            const int length = static_cast<int>(random() % 6);
            for (int j = 0; j < length; ++j)
                w.push_back(static_cast<char>("ab\x7f\x80\xff"[random() % 5]));
            if (w.empty()) w = "z";
            words.push_back(w);
            if (random() % 10 == 0) words.push_back(w);
        }
        std::vector<rorirer::SortItem> items;
        for (std::size_t i = 0; i < words.size(); ++i)
            items.push_back({words[i].data(), static_cast<std::uint32_t>(words[i].size()),
                             static_cast<std::uint32_t>(i)});
        rorirer::sortByBytes(items);
        std::vector<std::string> sorted;
        sorted.reserve(items.size());
        for (const auto& item : items) sorted.push_back(words[item.index]);
        std::vector<std::string> expected = words;
        std::sort(expected.begin(), expected.end());
        ASSERT_EQ(sorted, expected) << size;
    }
}

}  // namespace
