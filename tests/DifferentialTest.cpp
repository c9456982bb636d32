// Many thousands of random operations on a store and on a plain reference
// model, comparing every result, output argument and count, and checking the
// tree's invariants after every change.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ReferenceModel.h"
#include "TrieProbe.h"

namespace {

class Driver {
public:
    Driver(unsigned seed, long minLength) : rng_(seed), trie_(minLength), model_(minLength) {}

    void run(int steps) {
        for (int step = 0; step < steps; ++step) {
            SCOPED_TRACE("step " + std::to_string(step));
            const auto op = rng_() % 100;
            if (op < 30) {
                const std::string w = randomWord();
                ASSERT_EQ(trie_.insertString(toC(w)), model_.insert(w)) << escaped(w);
                checkTree();
            } else if (op < 42) {
                const std::string w = rng_() % 4 ? storedWord() : randomWord();
                ASSERT_EQ(trie_.removeString(toC(w)), model_.remove(w)) << escaped(w);
                checkTree();
            } else if (op < 55) {
                checkContains(randomPrefix());
            } else if (op < 75) {
                checkCompletions(randomPrefix());
            } else if (op < 95) {
                checkListing(randomPrefix());
            } else if (op < 96) {
                trie_.reset();
                model_.reset();
                checkTree();
            } else {
                checkCopies();
            }
            if (::testing::Test::HasFatalFailure()) return;
        }
    }

private:
    static std::string escaped(const std::string& s) {
        std::string out;
        for (unsigned char c : s) {
            if (c >= 0x20 && c < 0x7F) {
                out += static_cast<char>(c);
            } else {
                out +=
                    "\\x" + std::string(1, "0123456789abcdef"[c >> 4]) + "0123456789abcdef"[c & 15];
            }
        }
        return out;
    }

    char randomChar() {
        static const char alphabet[] = {'a', 'b', 'c', 'd', '\x01', '\x7f', '\x80', '\xe9', '\xff'};
        if (rng_() % 60 == 0) return '\0';  // an embedded NUL now and then
        return alphabet[rng_() % sizeof alphabet];
    }

    std::string randomWord() {
        const size_t length = rng_() % 20 == 0 ? 10 + rng_() % 30 : rng_() % 8;
        std::string w;
        for (size_t i = 0; i < length; ++i) w += randomChar();
        return w;
    }

    std::string storedWord() {
        const auto& words = model_.words();
        if (words.empty()) return randomWord();
        auto it = words.begin();
        std::advance(it, static_cast<long>(rng_() % words.size()));
        return *it;
    }

    std::string randomPrefix() {
        std::string p = rng_() % 5 == 0 ? randomWord() : storedWord();
        if (!p.empty() && rng_() % 2) p.resize(rng_() % (p.size() + 1));
        if (rng_() % 8 == 0) p += randomChar();
        return p;
    }

    void checkTree() {
        ASSERT_EQ(checkInvariants(trie_), "");
        ASSERT_EQ(trie_.getWordCount(), model_.wordCount());
        ASSERT_EQ(trie_.getNodeCount(), model_.nodeCount());
        const std::vector<std::string> expected(model_.words().begin(), model_.words().end());
        ASSERT_EQ(wordsInTree(trie_), expected);
    }

    void checkContains(const std::string& text) {
        CString matched("stale");
        const ReferenceModel::Answer expected = model_.contains(text);
        EXPECT_EQ(trie_.containsString(text.c_str(), matched), expected.result) << escaped(text);
        EXPECT_EQ(toStd(matched), expected.text) << escaped(text);
    }

    void checkCompletions(const std::string& prefix) {
        for (bool skip : {false, true}) {
            CString completion("stale");
            ReferenceModel::Answer expected = model_.longest(prefix, skip);
            EXPECT_EQ(trie_.getLongestUnambiguousCompletion(toC(prefix), completion, skip),
                      expected.result)
                << escaped(prefix) << " skip " << skip;
            EXPECT_EQ(toStd(completion), expected.text) << escaped(prefix) << " skip " << skip;
            expected = model_.unique(prefix, skip);
            EXPECT_EQ(trie_.getUniqueCompletion(toC(prefix), completion, skip), expected.result)
                << escaped(prefix) << " skip " << skip;
            EXPECT_EQ(toStd(completion), expected.text) << escaped(prefix) << " skip " << skip;
        }
    }

    void checkListing(const std::string& prefix) {
        CStringArray out;
        out.Add("stale");
        trie_.getPossibleCompletions(toC(prefix), out);
        EXPECT_EQ(toVector(out), model_.list(prefix)) << escaped(prefix);
    }

    void checkCopies() {
        const std::vector<std::string> before = wordsInTree(trie_);
        TrieProbe copy(trie_);
        ASSERT_EQ(checkInvariants(copy), "");
        ASSERT_EQ(wordsInTree(copy), before);
        ASSERT_EQ(copy.getNodeCount(), trie_.getNodeCount());
        ASSERT_EQ(copy.minimumLength(), trie_.minimumLength());
        // Changing the copy leaves the source alone.
        copy.insertString(toC(randomWord() + "copy-only"));
        copy.removeString(toC(storedWord()));
        ASSERT_EQ(wordsInTree(trie_), before);

        TrieProbe assigned(3);
        assigned.insertString("something else");
        assigned = trie_;
        ASSERT_EQ(wordsInTree(assigned), before);
        ASSERT_EQ(checkInvariants(assigned), "");
        ASSERT_EQ(assigned.minimumLength(), trie_.minimumLength());
        const TrieProbe& self = assigned;
        assigned = self;
        ASSERT_EQ(wordsInTree(assigned), before);
        // Continuing on the assigned copy must match the model too.
        trie_ = assigned;
        checkTree();
    }

    std::mt19937 rng_;
    TrieProbe trie_;
    ReferenceModel model_;
};

TEST(Differential, MatchesReferenceModel) {
    const long minLengths[] = {0, 0, 1, 2, 3, 5};
    for (unsigned seed = 1; seed <= 12; ++seed) {
        const long minLength = minLengths[seed % 6];
        SCOPED_TRACE("seed " + std::to_string(seed) + " minLength " + std::to_string(minLength));
        Driver driver(seed, minLength);
        driver.run(3000);
        if (HasFatalFailure()) return;
    }
}

}  // namespace
