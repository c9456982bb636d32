// Huge stores: millions of words, 0xFF-only words and a listing of a million
// entries, each built, queried, listed, copied, reset and destroyed on an
// ordinary thread stack and checked against plain expectations. Each phase
// prints its time per element, for the README; no time is asserted.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "DefaultStack.h"
#include "ReferenceModel.h"
#include "TrieProbe.h"

namespace {

class Phase {
public:
    Phase(const char* store, const char* what, long elements)
        : store_(store),
          what_(what),
          elements_(elements),
          start_(std::chrono::steady_clock::now()) {}
    Phase(const Phase&) = delete;
    Phase& operator=(const Phase&) = delete;
    ~Phase() {
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start_;
        std::printf("[huge] %-28s %-34s %9ld elements %8.3f s %8.1f ns/element\n", store_, what_,
                    elements_, took.count(), took.count() * 1e9 / static_cast<double>(elements_));
    }

private:
    const char* store_;
    const char* what_;
    long elements_;
    std::chrono::steady_clock::time_point start_;
};

std::vector<std::string> randomWords(std::size_t count, unsigned seed) {
    // Letters and a few high bytes, 4 to 12 long: wide near the root, sparse
    // below, as a real vocabulary is.
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyz\x80\xC3\xE9\xFF";
    std::mt19937 rng(seed);
    std::vector<std::string> words(count);
    for (std::string& w : words) {
        w.resize(4 + rng() % 9);
        for (char& c : w) c = alphabet[rng() % (sizeof alphabet - 1)];
    }
    return words;
}

// Queries and removals run over this many of the words.
constexpr long kSample = 200'000;

void exerciseRandomStore(std::size_t count) {
    const std::string name = std::to_string(count) + " random words";
    const std::vector<std::string> words = randomWords(count, static_cast<unsigned>(count));
    std::vector<CString> inputs;
    inputs.reserve(words.size());
    for (const std::string& w : words) inputs.push_back(toC(w));
    ReferenceModel model(4);
    std::vector<bool> added(words.size());
    for (std::size_t i = 0; i < words.size(); ++i) added[i] = model.insert(words[i]);

    auto* trie = new TrieProbe(4);
    {
        Phase phase(name.c_str(), "insertString", static_cast<long>(count));
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            if (trie->insertString(inputs[i]) != added[i]) {
                ADD_FAILURE() << "insertString of word " << i;
                break;
            }
        }
    }
    ASSERT_EQ(trie->getWordCount(), model.wordCount());
    ASSERT_EQ(trie->getNodeCount(), model.nodeCount());
    ASSERT_EQ(checkInvariants(*trie), "");
    {
        Phase phase(name.c_str(), "containsString, unique, longest", kSample);
        CString out;
        for (long i = 0; i < kSample; ++i) {
            if (!trie->containsString(inputs[i], out) ||
                !trie->getLongestUnambiguousCompletion(inputs[i], out, true)) {
                ADD_FAILURE() << "query of word " << i;
                break;
            }
            trie->getUniqueCompletion(inputs[i], out, false);
        }
    }
    for (std::size_t i = 0; i < 2000; ++i) {
        const std::string prefix = words[i].substr(0, 1 + i % 3);
        CString out;
        const ReferenceModel::Answer expected = model.unique(prefix, i % 2 == 0);
        ASSERT_EQ(trie->getUniqueCompletion(toC(prefix), out, i % 2 == 0), expected.result);
        ASSERT_EQ(toStd(out), expected.text);
    }
    const std::vector<std::string> expected = model.list("");
    CStringArray listing;
    {
        Phase phase(name.c_str(), "listing of every word", static_cast<long>(expected.size()));
        trie->getPossibleCompletions("", listing);
    }
    ASSERT_EQ(toVector(listing), expected);
    {
        auto* copy = new TrieProbe(4);
        {
            Phase phase(name.c_str(), "copy assignment (per node)", trie->getNodeCount());
            *copy = *trie;
        }
        {
            Phase phase(name.c_str(), "destruction of the copy (per node)", trie->getNodeCount());
            delete copy;
        }
    }
    TrieProbe copy(*trie);
    ASSERT_EQ(checkInvariants(copy), "");
    {
        Phase phase(name.c_str(), "removeString", kSample);
        for (long i = 0; i < kSample; ++i) copy.removeString(inputs[i]);
    }
    for (long i = 0; i < kSample; ++i) model.remove(words[i]);
    ASSERT_EQ(copy.getNodeCount(), model.nodeCount());
    ASSERT_EQ(checkInvariants(copy), "");
    const long nodes = trie->getNodeCount();
    {
        Phase phase(name.c_str(), "reset (per node)", nodes);
        trie->reset();
    }
    EXPECT_EQ(trie->getNodeCount(), 1);
    delete trie;
}

TEST(Huge, RandomWordsByTheMillion) {
    // Two sizes, to show how each phase's cost per element grows.
    for (std::size_t count : {500'000u, 2'000'000u}) {
        onDefaultStack([count] { exerciseRandomStore(count); });
        if (HasFailure()) return;
    }
}

TEST(Huge, OnlyTheHighestByte) {
    onDefaultStack([] {
        // Every run of 0xFF up to 3000 long: an end marker at every level.
        const int runs = 3000;
        TrieProbe trie(1);
        for (int length = 1; length <= runs; ++length) {
            ASSERT_TRUE(trie.insertString(toC(std::string(length, '\xFF'))));
        }
        EXPECT_EQ(trie.getNodeCount(), 2 * runs);
        EXPECT_EQ(checkInvariants(trie), "");
        CString out;
        EXPECT_TRUE(trie.getUniqueCompletion(toC(std::string(runs - 1, '\xFF')), out, true));
        EXPECT_EQ(out.GetLength(), runs);
        EXPECT_FALSE(trie.getUniqueCompletion("\xFF", out, false));
        EXPECT_TRUE(trie.getLongestUnambiguousCompletion("\xFF", out, false));
        EXPECT_EQ(toStd(out), "\xFF");
        CStringArray list;
        {
            Phase phase("0xFF runs 1..3000", "listing (per character)", runs * (runs + 1L) / 2);
            trie.getPossibleCompletions("\xFF", list);
        }
        ASSERT_EQ(list.GetSize(), runs);
        for (int i = 0; i < runs; ++i) ASSERT_EQ(list[i].GetLength(), i + 1);

        // One 0xFF-only word of two million characters beside them.
        const std::string longRun(2'000'000, '\xFF');
        {
            Phase phase("0xFF run of 2000000", "insertString (per character)", 2'000'000);
            ASSERT_TRUE(trie.insertString(toC(longRun)));
        }
        EXPECT_TRUE(trie.containsString(longRun.c_str(), out));
        EXPECT_EQ(out.GetLength(), 2'000'000);
        TrieProbe copy(trie);
        EXPECT_EQ(checkInvariants(copy), "");
        EXPECT_EQ(copy.getNodeCount(), trie.getNodeCount());
        for (int length = 2; length <= runs; length += 2) {
            ASSERT_TRUE(copy.removeString(toC(std::string(length, '\xFF'))));
        }
        EXPECT_TRUE(copy.removeString(toC(longRun)));
        EXPECT_EQ(checkInvariants(copy), "");
        EXPECT_EQ(copy.getWordCount(), runs / 2);
        trie.reset();
        EXPECT_EQ(checkInvariants(trie), "");
    });
}

TEST(Huge, ListingOfAMillionEntries) {
    onDefaultStack([] {
        const int count = 1'000'000;
        TrieProbe trie(0);
        char word[16];
        {
            Phase phase("a million numbered words", "insertString", count);
            for (int i = 0; i < count; ++i) {
                std::snprintf(word, sizeof word, "w%06d", i);
                trie.insertString(word);
            }
        }
        trie.insertString("w");
        CStringArray list;
        {
            Phase phase("a million numbered words", "listing", count + 1);
            trie.getPossibleCompletions("w", list);
        }
        ASSERT_EQ(list.GetSize(), count + 1);
        EXPECT_EQ(toStd(list[0]), "w");
        for (int i = 0; i < count; ++i) {
            std::snprintf(word, sizeof word, "w%06d", i);
            ASSERT_EQ(toStd(list[i + 1]), word);
        }
        auto* copy = new TrieProbe(trie);
        copy->getPossibleCompletions("w99", list);
        EXPECT_EQ(list.GetSize(), 10'000);
        EXPECT_EQ(toStd(list[9'999]), "w999999");
        {
            Phase phase("a million numbered words", "destruction of a copy (per node)",
                        copy->getNodeCount());
            delete copy;
        }
    });
}

}  // namespace
