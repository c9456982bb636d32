// The sequential loader against plain insertion through the public front:
// the same tree node for node, the same counts and the same answer for every
// word, whatever the order of the words.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "TrieProbe.h"
#include "completion/internal/SequentialLoader.h"

// The build names the list by its full path; a tool run on this file alone
// (clang-tidy from the source root) finds it from there.
#ifndef RORIRER_WORD_LIST
#define RORIRER_WORD_LIST "data/american-english"
#endif

namespace {

using rorirer::SequentialLoader;
using rorirer::WordStore;
using Words = std::vector<std::string>;

// What a run of insertions leaves and answers.
struct Outcome {
    std::vector<bool> answers;
    std::string tree;
    long words = 0;
    long nodes = 0;
    std::string broken;  // the first invariant violated, if any
};

Outcome insertPlainly(const Words& words, long minLength) {
    TrieProbe trie(minLength);
    Outcome out;
    for (const std::string& word : words) out.answers.push_back(trie.insertString(toC(word)));
    out.tree = describeTree(trie.rootNode());
    out.words = trie.getWordCount();
    out.nodes = trie.getNodeCount();
    out.broken = checkInvariants(trie);
    return out;
}

Outcome describe(WordStore& store, std::vector<bool> answers) {
    Outcome out;
    out.answers = std::move(answers);
    out.tree = describeTree(store.top());
    out.words = store.getWordCount();
    out.nodes = store.getNodeCount();
    out.broken = checkInvariants(store.top(), out.nodes, out.words);
    return out;
}

Outcome loadSequentially(const Words& words, long minLength) {
    WordStore store(minLength);
    SequentialLoader loader(store);
    std::vector<bool> answers;
    for (const std::string& word : words) answers.push_back(loader.insert(toC(word)));
    return describe(store, std::move(answers));
}

void expectSameStore(const Outcome& loaded, const Outcome& plain) {
    EXPECT_EQ(loaded.broken, "");
    EXPECT_EQ(plain.broken, "");
    EXPECT_EQ(loaded.words, plain.words);
    EXPECT_EQ(loaded.nodes, plain.nodes);
    // Compared whole, a tree of this size would print pages on a mismatch.
    const auto at =
        std::mismatch(loaded.tree.begin(), loaded.tree.end(), plain.tree.begin(), plain.tree.end());
    EXPECT_TRUE(at.first == loaded.tree.end() && at.second == plain.tree.end())
        << "trees differ at " << (at.first - loaded.tree.begin()) << ": loaded \""
        << std::string(at.first, std::min(at.first + 40, loaded.tree.end())) << "\", plain \""
        << std::string(at.second, std::min(at.second + 40, plain.tree.end())) << "\"";
}

void expectSameOutcome(const Outcome& loaded, const Outcome& plain) {
    expectSameStore(loaded, plain);
    EXPECT_TRUE(loaded.answers == plain.answers);
}

Words readWordList() {
    std::ifstream in(RORIRER_WORD_LIST, std::ios::binary);
    Words words;
    std::string line;
    while (std::getline(in, line)) words.push_back(line);
    return words;
}

TEST(SequentialLoader, BuildsThePlainStoreInEveryOrder) {
    const Words file = readWordList();
    ASSERT_GT(file.size(), 100000u);
    Words bytewise = file;
    std::sort(bytewise.begin(), bytewise.end());
    Words shuffled = file;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    // Runs of sorted words with a few out of place, as a list edited by hand.
    Words edited = file;
    std::mt19937 rng(11);
    for (size_t i = 0; i + 1 < edited.size(); i += 1 + rng() % 50) {
        std::swap(edited[i], edited[rng() % edited.size()]);
    }
    struct Order {
        const char* name;
        Words words;
    };
    std::vector<Order> orders{{"as the file has it (by locale)", file},
                              {"byte-wise", bytewise},
                              {"by locale, reversed", Words(file.rbegin(), file.rend())},
                              {"byte-wise, reversed", Words(bytewise.rbegin(), bytewise.rend())},
                              {"shuffled", shuffled},
                              {"edited", edited}};
    // Every word twice over: the second round answers false throughout.
    orders.push_back({"twice", file});
    orders.back().words.insert(orders.back().words.end(), file.begin(), file.end());

    for (const Order& order : orders) {
        for (long minLength : {1L, 5L}) {
            SCOPED_TRACE(std::string(order.name) + ", shortest " + std::to_string(minLength));
            const Outcome loaded = loadSequentially(order.words, minLength);
            expectSameOutcome(loaded, insertPlainly(order.words, minLength));
        }
    }

    // And the words are those of the list, not merely the same as a store
    // that might share a fault.
    WordStore store(1);
    SequentialLoader loader(store);
    for (const std::string& word : file) loader.insert(toC(word));
    Words unique = bytewise;
    unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
    EXPECT_TRUE(wordsInTree(store.top()) == unique);
}

TEST(SequentialLoader, WorkedExamples) {
    using namespace std::string_literals;
    struct Row {
        Words words;
        long minLength;
        std::vector<bool> answers;
        const char* tree;
    };
    const Row rows[] = {
        // The previous word ends at a leaf that the next one extends: the
        // leaf gains an end marker.
        {{"abc", "abcd"}, 1, {true, true}, "#a(b(c(#d)))"},
        // The new word is the whole previous one's prefix.
        {{"abcd", "abc"}, 1, {true, true}, "#a(b(c(#d)))"},
        {{"abcd", "ab", "abc"}, 1, {true, true, true}, "#a(b(#c(#d)))"},
        // Repeats, right after and later.
        {{"abc", "abc", "abd", "abc"}, 1, {true, false, true, false}, "#a(b(cd))"},
        // A word extending one that already has continuations.
        {{"ab", "abc", "abd", "ab", "abde"}, 1, {true, true, true, false, true}, "#a(b(#cd(#e)))"},
        // Sorted siblings go behind the previous word's node, reverse ones
        // in front of it, at every depth including the top.
        {{"aa", "ab", "ac", "b", "ba"}, 1, {true, true, true, true, true}, "#a(abc)b(#a)"},
        {{"ac", "ab", "aa", "ba", "b"}, 1, {true, true, true, true, true}, "#a(abc)b(#a)"},
        {{"abx", "aby", "ab", "abz", "a"}, 1, {true, true, true, true, true}, "#a(#b(#xyz))"},
        // Bytes above 0x7F sort after ASCII, whatever the signedness of char.
        {{"a\xFF", "a\x80", "az", "a\x7F"}, 1, {true, true, true, true}, "#a(z\x7F\x80\xFF)"},
        // A word is read up to its first NUL, and its whole length counts.
        {{"ab\0cd"s, "ab", "abc\0"s}, 4, {true, false, true}, "#a(b(#c))"},
        {{"ab\0cd"s, "abc\0"s}, 5, {true, false}, "#a(b)"},
        // Short and empty words are refused and leave the path alone.
        {{"abcde", "ab", "", "abcdf"}, 3, {true, false, false, true}, "#a(b(c(d(ef))))"},
        {{"", "\0\0"s, "x"}, 0, {false, false, true}, "#x"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.tree);
        const Outcome loaded = loadSequentially(row.words, row.minLength);
        EXPECT_EQ(loaded.tree, row.tree);
        EXPECT_TRUE(loaded.answers == row.answers);
        expectSameOutcome(loaded, insertPlainly(row.words, row.minLength));
    }
}

// Words over a few bytes, with NULs, 0x80 and 0xFF among them, so that
// prefixes are shared at every depth.
// cppcheck-suppress constParameter ; drawing a number changes the engine
Words randomWords(std::mt19937& rng, size_t count) {
    static const char kBytes[] = "abc\x80\xFF";
    Words words;
    for (size_t i = 0; i < count; ++i) {
        std::string word(1 + rng() % 7, 'a');
        for (char& ch : word) ch = kBytes[rng() % 5];
        if (rng() % 20 == 0) word[rng() % word.size()] = '\0';
        words.push_back(word);
    }
    return words;
}

TEST(SequentialLoader, MatchesPlainInsertionOnRandomLists) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 300; ++round) {
        Words words = randomWords(rng, 1 + rng() % 200);
        switch (round % 4) {
            case 0:
                std::sort(words.begin(), words.end());
                break;
            case 1:
                std::sort(words.rbegin(), words.rend());
                break;
            case 2:
                // Sorted runs, as several lists put one after another.
                std::sort(words.begin(), words.begin() + static_cast<long>(words.size() / 2));
                std::sort(words.begin() + static_cast<long>(words.size() / 2), words.end());
                break;
            default:
                break;
        }
        const long minLength = static_cast<long>(rng() % 4);
        SCOPED_TRACE("round " + std::to_string(round));
        expectSameOutcome(loadSequentially(words, minLength), insertPlainly(words, minLength));
        if (::testing::Test::HasFailure()) return;
    }
}

TEST(SequentialLoader, InsertLinesSplitsAtNewlines) {
    using namespace std::string_literals;
    struct Row {
        std::string text;
        Words words;  // what insertString would be given, in order
    };
    const Row rows[] = {
        {"", {}},
        {"apple", {"apple"}},
        {"apple\n", {"apple"}},
        {"apple\r\nbanana\r\n", {"apple", "banana"}},
        {"b\n\na\nab\n", {"b", "", "a", "ab"}},
        {"a\rb\n\r\n", {"a\rb", ""}},
        {"x\0y\nx\n"s, {"x\0y"s, "x"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        for (long minLength : {0L, 1L, 2L}) {
            WordStore store(minLength);
            SequentialLoader loader(store);
            const size_t added = loader.insertLines(row.text.data(), row.text.size());
            const Outcome plain = insertPlainly(row.words, minLength);
            EXPECT_EQ(static_cast<long>(added), plain.words);
            EXPECT_EQ(describeTree(store.top()), plain.tree);
            EXPECT_EQ(store.getWordCount(), plain.words);
            EXPECT_EQ(store.getNodeCount(), plain.nodes);
        }
    }
}

TEST(SequentialLoader, StartsAgainAfterTheStoreChangedOtherwise) {
    const Words words = {"alphabeticz", "alpha", "alphabet", "alphabets", "alpine", "beta"};
    // Removals free the nodes of the remembered path; the counts give them
    // away, and the next word, which shares all of that path, is walked from
    // the root instead.
    {
        WordStore store(1);
        SequentialLoader loader(store);
        for (const char* w : {"alphabet", "alphabetic", "alphabetics"}) loader.insert(CString(w));
        EXPECT_TRUE(store.removeString("alphabetics"));
        EXPECT_TRUE(store.removeString("alphabetic"));
        for (const std::string& w : words) loader.insert(toC(w));
        expectSameStore(describe(store, {}), insertPlainly(words, 1));
    }
    // A removal and an insertion that leave both counts as they were go
    // unseen by the counts: restart() is the caller's part.
    {
        WordStore store(1);
        SequentialLoader loader(store);
        for (const char* w : {"alpha", "alphabet", "alphabetix"}) loader.insert(CString(w));
        EXPECT_TRUE(store.removeString("alphabetix"));
        EXPECT_TRUE(store.insertString("alphabetiy"));
        loader.restart();
        for (const std::string& w : words) loader.insert(toC(w));
        Words all = words;
        all.push_back("alphabetiy");
        expectSameStore(describe(store, {}), insertPlainly(all, 1));
    }
}

}  // namespace
