// The store's documented examples and edge cases, as tables where they share
// a shape.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TrieProbe.h"

namespace {

using Words = std::vector<std::string>;

TrieProbe storeOf(long minLength, const Words& words) {
    TrieProbe trie(minLength);
    for (const auto& w : words) EXPECT_TRUE(trie.insertString(toC(w))) << w;
    EXPECT_EQ(checkInvariants(trie), "");
    return trie;
}

Words listed(TrieProbe& trie, const std::string& prefix) {
    CStringArray out;
    trie.getPossibleCompletions(toC(prefix), out);
    return toVector(out);
}

TEST(Insertion, SharesPrefixesAndMarksWordEnds) {
    TrieProbe trie(0);
    ASSERT_TRUE(trie.insertString("ab"));
    EXPECT_EQ(trie.getNodeCount(), 3);
    ASSERT_TRUE(trie.insertString("abc"));  // an end marker below b, then c
    EXPECT_EQ(trie.getNodeCount(), 5);
    EXPECT_EQ(describeTree(trie.rootNode()), "#a(b(#c))");
    ASSERT_TRUE(trie.insertString("a"));
    EXPECT_EQ(trie.getNodeCount(), 6);
    EXPECT_FALSE(trie.insertString("a"));
    EXPECT_EQ(trie.getNodeCount(), 6);
    EXPECT_EQ(trie.getWordCount(), 3);
    EXPECT_EQ(describeTree(trie.rootNode()), "#a(#b(#c))");
    EXPECT_EQ(checkInvariants(trie), "");
}

TEST(Insertion, TreeDoesNotDependOnOrder) {
    TrieProbe forward = storeOf(0, {"ab", "abc"});
    TrieProbe backward(0);
    ASSERT_TRUE(backward.insertString("abc"));
    const long before = backward.getNodeCount();
    ASSERT_TRUE(backward.insertString("ab"));
    EXPECT_EQ(backward.getNodeCount(), before + 1);  // only the end marker in front of c
    EXPECT_EQ(describeTree(forward.rootNode()), describeTree(backward.rootNode()));
    EXPECT_EQ(forward.getNodeCount(), 5);
    EXPECT_EQ(forward.getWordCount(), 2);
}

TEST(Insertion, RefusesShortEmptyAndRepeatedWords) {
    TrieProbe trie;  // minimum length 5
    EXPECT_FALSE(trie.insertString("abcd"));
    EXPECT_TRUE(trie.insertString("abcde"));
    EXPECT_FALSE(trie.insertString("abcde"));
    EXPECT_FALSE(trie.insertString(CString("\0abcdef", 7)));  // long enough, but empty up to NUL
    EXPECT_EQ(trie.getWordCount(), 1);
    EXPECT_EQ(trie.getNodeCount(), 6);

    TrieProbe any(0);
    EXPECT_FALSE(any.insertString(""));
    EXPECT_EQ(any.getNodeCount(), 1);
    EXPECT_EQ(checkInvariants(any), "");
}

TEST(Insertion, EmbeddedNulCountsForLengthButIsNotStored) {
    TrieProbe trie(5);
    const CString word("abc\0de", 6);
    EXPECT_TRUE(trie.insertString(word));
    CString matched;
    EXPECT_TRUE(trie.containsString("abc", matched));
    EXPECT_FALSE(trie.insertString("abc"));  // too short on its own
    EXPECT_EQ(listed(trie, ""), Words({"abc"}));
}

TEST(Insertion, HighBytesSortAfterAscii) {
    TrieProbe trie(1);
    for (const char* w : {"z", "\xE9", "a", "\x80", "\xFF"}) ASSERT_TRUE(trie.insertString(w));
    std::vector<unsigned> order;
    for (LinkedTrieNode* n = trie.rootNode(); n != nullptr; n = n->nextSibling) {
        order.push_back(n->character);
    }
    EXPECT_EQ(order, std::vector<unsigned>({0, 'a', 'z', 0xFFFFFF80u, 0xFFFFFFE9u, 0xFFFFFFFFu}));
    EXPECT_EQ(listed(trie, ""), Words({"a", "z", "\x80", "\xE9", "\xFF"}));
    EXPECT_EQ(checkInvariants(trie), "");
}

TEST(Reset, EmptiesTheStoreAndKeepsMinimumLength) {
    TrieProbe trie = storeOf(3, {"abc", "abd", "xyz"});
    trie.reset();
    EXPECT_EQ(trie.getNodeCount(), 1);
    EXPECT_EQ(trie.getWordCount(), 0);
    EXPECT_FALSE(trie.insertString("ab"));
    EXPECT_TRUE(trie.insertString("abc"));
    EXPECT_EQ(checkInvariants(trie), "");
}

TEST(Contains, ReportsHowMuchOfTheTextTheTreeHolds) {
    TrieProbe trie = storeOf(0, {"abcd", "abce", "hello"});
    struct Row {
        const char* text;
        bool stored;
        const char* matched;
    } const rows[] = {
        {"abcd", true, "abcd"}, {"abc", false, "abc"},  // a prefix of words only
        {"abxy", false, "ab"},  {"hello", true, "hello"}, {"hellos", false, "hello"},
        {"", true, ""},         {"q", false, ""},
    };
    for (const Row& row : rows) {
        CString matched("stale");
        EXPECT_EQ(trie.containsString(row.text, matched), row.stored) << row.text;
        EXPECT_EQ(toStd(matched), row.matched) << row.text;
    }
    CString matched("stale");
    EXPECT_FALSE(trie.containsString(nullptr, matched));
    EXPECT_TRUE(matched.IsEmpty());
}

struct CompletionRow {
    const char* prefix;
    bool skip;
    bool longestResult;
    const char* longest;
    bool uniqueResult;
    const char* unique;
};

void checkCompletions(TrieProbe& trie, const std::vector<CompletionRow>& rows) {
    for (const CompletionRow& row : rows) {
        SCOPED_TRACE(std::string("prefix \"") + row.prefix + "\" skip " +
                     (row.skip ? "true" : "false"));
        CString completion("stale");
        EXPECT_EQ(trie.getLongestUnambiguousCompletion(row.prefix, completion, row.skip),
                  row.longestResult);
        EXPECT_EQ(toStd(completion), row.longest);
        EXPECT_EQ(trie.getUniqueCompletion(row.prefix, completion, row.skip), row.uniqueResult);
        EXPECT_EQ(toStd(completion), row.unique);
    }
}

TEST(Completion, WorkedExample) {
    TrieProbe trie = storeOf(0, {"ab", "abcd", "abcde"});
    checkCompletions(trie, {
                               {"a", false, true, "ab", false, "ab"},
                               {"ab", false, true, "ab", false, "ab"},
                               {"ab", true, true, "abcd", false, "abcd"},
                               {"abcde", false, true, "abcde", true, "abcde"},
                               {"abcde", true, true, "abcde", true, "abcde"},
                               {"abd", false, false, "abd", false, "abd"},
                               {"abd", true, false, "abd", false, "abd"},
                           });
}

TEST(Completion, EdgeCases) {
    TrieProbe empty(0);
    checkCompletions(empty, {{"", false, true, "", true, ""}, {"", true, true, "", true, ""}});

    TrieProbe one = storeOf(0, {"hello"});
    checkCompletions(one, {
                              {"", false, true, "", false, ""},
                              {"", true, true, "hello", true, "hello"},
                              {"hello", false, true, "hello", true, "hello"},  // a leaf
                              {"he", false, true, "hello", true, "hello"},
                          });

    TrieProbe split = storeOf(0, {"ab", "abcd", "abce", "xyz1", "xyz2"});
    checkCompletions(split, {
                                {"ab", true, true, "abc", false, "abc"},
                                {"xyz", false, true, "xyz", false, "xyz"},  // two continuations
                            });

    // The walk stops at an embedded NUL; the whole prefix is kept.
    CString completion;
    EXPECT_TRUE(one.getUniqueCompletion(CString("he\0zz", 5), completion, false));
    EXPECT_EQ(toStd(completion), std::string("he\0zzllo", 8));
}

TEST(Listing, WorkedExamples) {
    TrieProbe trie = storeOf(0, {"ab", "abc", "abd"});
    struct Row {
        std::string prefix;
        Words expected;
    } const rows[] = {
        {"a", {"ab", "abc", "abd"}},
        {"ab", {"ab", "abc", "abd"}},
        {"abc", {"abc"}},
        {"abe", {}},
        {"", {"ab", "abc", "abd"}},
        {std::string("\0x", 2),
         {std::string("\0x", 2), std::string("\0xab", 4), std::string("\0xabc", 5),
          std::string("\0xabd", 5)}},
        {std::string("a\0q", 3),
         {std::string("a\0qb", 4), std::string("a\0qbc", 5), std::string("a\0qbd", 5)}},
    };
    for (const Row& row : rows) EXPECT_EQ(listed(trie, row.prefix), row.expected) << row.prefix;

    TrieProbe empty(0);
    EXPECT_EQ(listed(empty, ""), Words());
}

TEST(Listing, ReplacesWhatTheArrayHeld) {
    TrieProbe trie = storeOf(0, {"abc"});
    CStringArray out;
    out.Add("old");
    out.Add("older");
    trie.getPossibleCompletions("ab", out);
    EXPECT_EQ(toVector(out), Words({"abc"}));
    trie.getPossibleCompletions("zz", out);
    EXPECT_EQ(out.GetSize(), 0);
}

TEST(ProtectedWalks, StartBelowTheRoot) {
    TrieProbe trie = storeOf(0, {"abc", "abd", "abde"});
    LinkedTrieNode* afterA = trie.rootNode()->nextSibling->firstChild;  // the list after "a"
    CString matched;
    EXPECT_TRUE(trie.containsString("bc", afterA, matched));
    EXPECT_EQ(toStd(matched), "bc");
    CStringArray out;
    // The protected walks take the caller's prefix as it stands and append
    // only what lies below the walked text.
    trie.getPossibleCompletions("ab", "b", afterA, out);
    EXPECT_EQ(toVector(out), Words({"abc", "abd", "abde"}));
    CString completion("abd");
    EXPECT_TRUE(trie.getUniqueCompletion("bd", completion, true, afterA));
    EXPECT_EQ(toStd(completion), "abde");
    EXPECT_FALSE(trie.getUniqueCompletion("bd", completion, false, afterA));

    long created = 0;
    EXPECT_TRUE(trie.insertString("x", afterA->firstChild, afterA, created));  // "abx"
    EXPECT_EQ(created, 1);
    EXPECT_EQ(listed(trie, "ab"), Words({"abc", "abd", "abde", "abx"}));
    // Linking at the head of an ownerless list is refused instead of crashing.
    created = 0;
    EXPECT_FALSE(trie.insertString("a", afterA, nullptr, created));
    EXPECT_FALSE(trie.insertString("", afterA, nullptr, created));
    EXPECT_EQ(created, 0);
}

}  // namespace
