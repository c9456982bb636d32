// Removal leaves the tree that inserting the remaining words would build.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "TrieProbe.h"

namespace {

using Words = std::vector<std::string>;

std::string treeOf(const Words& words) {
    TrieProbe trie(0);
    for (const auto& w : words) trie.insertString(toC(w));
    return describeTree(trie.rootNode());
}

TEST(Removal, LeavesCanonicalTree) {
    struct Row {
        Words stored;
        std::string removed;
    } const rows[] = {
        {{"ab", "abc"}, "abc"},         // the marker left alone goes; b is a leaf again
        {{"ab", "abc"}, "ab"},          // only the end marker goes
        {{"ab", "abc", "abd"}, "abc"},  // the marker keeps its sibling
        {{"ab", "abcdef"}, "abcdef"},   // a whole chain below a word
        {{"abc", "abd"}, "abd"},        // the tail of a list
        {{"abc", "abd"}, "abc"},        // the head of a list
        {{"a", "b", "c"}, "b"},         // the top-level list
        {{"hello"}, "hello"},           // back to the root marker alone
        {{"a", "ab", "abc", "abcd"}, "ab"},
        {{"a", "ab", "abc", "abcd"}, "abcd"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.removed);
        TrieProbe trie(0);
        for (const auto& w : row.stored) ASSERT_TRUE(trie.insertString(toC(w)));
        ASSERT_TRUE(trie.removeString(toC(row.removed)));
        Words rest = row.stored;
        rest.erase(std::find(rest.begin(), rest.end(), row.removed));
        EXPECT_EQ(describeTree(trie.rootNode()), treeOf(rest));
        EXPECT_EQ(checkInvariants(trie), "");
        CString matched;
        EXPECT_FALSE(trie.containsString(toC(row.removed), matched));
    }
}

TEST(Removal, RefusesWhatIsNotStoredAndChangesNothing) {
    TrieProbe trie(0);
    for (const char* w : {"ab", "abcd", "xyz"}) trie.insertString(w);
    const std::string before = describeTree(trie.rootNode());
    for (const char* w : {"", "a", "abc", "abcde", "xy", "q", "xyzz"}) {
        EXPECT_FALSE(trie.removeString(w)) << w;
    }
    EXPECT_FALSE(trie.removeString(CString("\0ab", 3)));
    EXPECT_EQ(describeTree(trie.rootNode()), before);
    EXPECT_EQ(trie.getWordCount(), 3);
    EXPECT_EQ(checkInvariants(trie), "");
    // A word is removed by its characters up to the first NUL.
    EXPECT_TRUE(trie.removeString(CString("ab\0zz", 5)));
    EXPECT_FALSE(trie.removeString("ab"));
}

TEST(Removal, RemovingEverythingInAnyOrderEmptiesTheStore) {
    std::mt19937 rng(7);
    Words words;
    for (int i = 0; i < 400; ++i) {
        std::string w;
        const int len = 1 + static_cast<int>(rng() % 6);
        for (int j = 0; j < len; ++j) w += static_cast<char>("ab\x80\xFF"[rng() % 4]);
        words.push_back(w);
    }
    TrieProbe trie(0);
    for (const auto& w : words) trie.insertString(toC(w));
    std::shuffle(words.begin(), words.end(), rng);
    for (const auto& w : words) {
        trie.removeString(toC(w));
        ASSERT_EQ(checkInvariants(trie), "") << "after removing " << w;
    }
    EXPECT_EQ(trie.getNodeCount(), 1);
    EXPECT_EQ(trie.getWordCount(), 0);
}

}  // namespace
