// Very long words: every member copes on an ordinary 8 MiB thread stack.
#include <gtest/gtest.h>

#include <string>

#include "DefaultStack.h"
#include "TrieProbe.h"

namespace {

constexpr int kLength = 10'000'000;

TEST(Depth, OneWordOfTenMillionCharacters) {
    onDefaultStack([] {
        std::string word(kLength, 'a');
        for (int i = 0; i < kLength; i += 7) word[i] = static_cast<char>('a' + i % 26);
        auto* trie = new TrieProbe(1);
        ASSERT_TRUE(trie->insertString(toC(word)));
        EXPECT_EQ(trie->getNodeCount(), kLength + 1);

        CString out;
        EXPECT_TRUE(trie->containsString(word.c_str(), out));
        EXPECT_EQ(out.GetLength(), kLength);
        EXPECT_TRUE(trie->getUniqueCompletion(toC(word.substr(0, 3)), out, false));
        EXPECT_EQ(toStd(out), word);
        EXPECT_TRUE(trie->getLongestUnambiguousCompletion("", out, true));
        EXPECT_EQ(out.GetLength(), kLength);
        CStringArray list;
        trie->getPossibleCompletions("", list);
        ASSERT_EQ(list.GetSize(), 1);
        EXPECT_EQ(toStd(list[0]), word);

        // A second word that branches off deep down, then copies of both.
        std::string other = word.substr(0, kLength / 2) + "\xFF";
        ASSERT_TRUE(trie->insertString(toC(other)));
        TrieProbe copy(*trie);
        EXPECT_EQ(checkInvariants(copy), "");
        TrieProbe assigned(1);
        assigned = copy;
        EXPECT_EQ(assigned.getNodeCount(), trie->getNodeCount());
        assigned.getPossibleCompletions(toC(word.substr(0, 10)), list);
        ASSERT_EQ(list.GetSize(), 2);
        EXPECT_EQ(list[1].GetLength(), kLength / 2 + 1);

        EXPECT_TRUE(trie->removeString(toC(word)));
        EXPECT_EQ(trie->getNodeCount(), kLength / 2 + 2);
        trie->reset();
        EXPECT_EQ(trie->getNodeCount(), 1);
        ASSERT_TRUE(trie->insertString(toC(word)));
        delete trie;
        // `copy` and `assigned` are destroyed on the way out.
    });
}

TEST(Depth, EveryPrefixOfALongWordIsStored) {
    // A marker at every level: the walks branch at every depth.
    onDefaultStack([] {
        const int length = 3000;
        std::string word;
        TrieProbe trie(0);
        for (int i = 0; i < length; ++i) {
            word += static_cast<char>(i % 2 ? '\xC0' : 'b');
            ASSERT_TRUE(trie.insertString(toC(word)));
        }
        EXPECT_EQ(trie.getNodeCount(), 2 * length);
        CStringArray list;
        trie.getPossibleCompletions("b", list);
        ASSERT_EQ(list.GetSize(), length);
        EXPECT_EQ(toStd(list[length - 1]), word);
        TrieProbe copy(trie);
        EXPECT_EQ(checkInvariants(copy), "");
        for (int i = length; i > 0; i -= 2) ASSERT_TRUE(copy.removeString(toC(word.substr(0, i))));
        EXPECT_EQ(checkInvariants(copy), "");
        EXPECT_EQ(copy.getWordCount(), length / 2);
    });
}

}  // namespace
