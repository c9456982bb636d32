// Arguments that overlap the outputs behave as if the caller had passed
// separate copies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TrieProbe.h"

namespace {

TrieProbe sample() {
    TrieProbe trie(0);
    for (const char* w : {"car", "cart", "carton", "cat", "dog"}) trie.insertString(w);
    return trie;
}

TEST(Aliasing, PrefixThatIsAnElementOfTheOutputArray) {
    TrieProbe trie = sample();
    for (int index = 0; index < 3; ++index) {
        CStringArray out;
        out.Add("zzz");
        out.Add("ca");
        out.Add("car");
        const std::string prefix = toStd(out[index]);
        CStringArray expected;
        trie.getPossibleCompletions(toC(prefix), expected);
        trie.getPossibleCompletions(out[index], out);
        EXPECT_EQ(toVector(out), toVector(expected)) << prefix;
    }
    // The protected listing may also be handed one of the array's elements.
    CStringArray out;
    out.Add("ca");
    trie.generateAllCombinations(out[0], CString("r"), trie.rootNode()->nextSibling->firstChild,
                                 out);
    EXPECT_EQ(toVector(out),
              std::vector<std::string>({"ca", "carar", "carart", "cararton", "carat"}));
}

TEST(Aliasing, TextThatPointsIntoMatched) {
    TrieProbe trie = sample();
    CString matched("cartoon");
    EXPECT_FALSE(trie.containsString(matched, matched));
    EXPECT_EQ(toStd(matched), "carto");
    CString word("carton");
    EXPECT_TRUE(trie.containsString(static_cast<const char*>(word) + 0, word));
    EXPECT_EQ(toStd(word), "carton");
    CString tail("xxcat");
    EXPECT_TRUE(trie.containsString(static_cast<const char*>(tail) + 2, tail));
    EXPECT_EQ(toStd(tail), "cat");
}

TEST(Aliasing, PrefixThatIsTheCompletion) {
    TrieProbe trie = sample();
    CString text("do");
    EXPECT_TRUE(trie.getUniqueCompletion(text, text, false));
    EXPECT_EQ(toStd(text), "dog");
    CString other("cart");
    EXPECT_TRUE(trie.getLongestUnambiguousCompletion(other, other, false));
    EXPECT_EQ(toStd(other), "cart");
    EXPECT_TRUE(trie.getLongestUnambiguousCompletion(other, other, true));
    EXPECT_EQ(toStd(other), "carton");
}

}  // namespace
