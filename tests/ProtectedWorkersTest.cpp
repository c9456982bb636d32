// The protected workers on the edges of their input: a null text, an empty
// list, a caller that counts created nodes across several calls, and a
// subclass that has freed the tree itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TrieProbe.h"

namespace {

TrieProbe sample() {
    TrieProbe trie(0);
    for (const char* w : {"ab", "abc", "abd", "xyz"}) trie.insertString(w);
    return trie;
}

TEST(ProtectedWorkers, NullTextIsRefusedAndChangesNothing) {
    TrieProbe trie = sample();
    const std::string before = describeTree(trie.rootNode());
    LinkedTrieNode* root = trie.rootNode();
    for (bool skip : {false, true}) {
        CString out("kept");
        EXPECT_FALSE(trie.containsString(nullptr, root, out));
        EXPECT_FALSE(trie.getLongestUnambiguousCompletion(nullptr, out, skip, root));
        EXPECT_FALSE(trie.getUniqueCompletion(nullptr, out, skip, root));
        EXPECT_EQ(toStd(out), "kept");
    }
    CStringArray list;
    list.Add("kept");
    trie.getPossibleCompletions("ab", nullptr, root, list);
    EXPECT_EQ(toVector(list), std::vector<std::string>({"kept"}));
    // A null word is the empty word: already stored at the top level.
    long created = 0;
    EXPECT_FALSE(trie.insertString(nullptr, root, nullptr, created));
    EXPECT_EQ(created, 0);
    EXPECT_EQ(describeTree(trie.rootNode()), before);
    EXPECT_EQ(checkInvariants(trie), "");
}

TEST(ProtectedWorkers, InsertionCountsCreatedNodesAcrossCalls) {
    TrieProbe trie = sample();
    LinkedTrieNode* a = trie.rootNode()->nextSibling;
    // A path that is all there already reports success when the caller's
    // count says nodes were created for this word earlier.
    long created = 1;
    EXPECT_TRUE(trie.insertString("b", a->firstChild, a, created));
    EXPECT_EQ(created, 1);
    created = 0;
    EXPECT_FALSE(trie.insertString("b", a->firstChild, a, created));

    // An empty list under `parent`: the new nodes become its first list.
    LinkedTrieNode parent('q');
    created = 0;
    EXPECT_TRUE(trie.insertString("rs", nullptr, &parent, created));
    EXPECT_EQ(created, 2);
    EXPECT_EQ(describeTree(&parent), "q(r(s))");
    // An ownerless empty list has nowhere to link them.
    created = 0;
    EXPECT_FALSE(trie.insertString("rs", nullptr, nullptr, created));
    EXPECT_EQ(created, 0);
    trie.killTrieNodes(parent.firstChild);
    parent.firstChild = nullptr;
}

// A subclass may free the tree itself, as the destructor does; the store
// then acts as an empty one and its own destructor copes.
class TreeFreeingStore : public TrieProbe {
public:
    using TrieProbe::TrieProbe;
    void freeTree() {
        killTrieNodes(root);
        root = nullptr;
    }
};

TEST(ProtectedWorkers, StoreWhoseTreeWasFreed) {
    TreeFreeingStore gone(4);
    gone.insertString("hello");
    gone.freeTree();
    EXPECT_FALSE(gone.removeString("hello"));

    TrieProbe copy(gone);
    EXPECT_EQ(copy.getWordCount(), 0);
    EXPECT_EQ(copy.getNodeCount(), 1);
    EXPECT_EQ(copy.minimumLength(), 4);
    EXPECT_EQ(checkInvariants(copy), "");

    TrieProbe assigned = sample();
    // cppcheck-suppress redundantInitialization
    assigned = gone;
    EXPECT_EQ(assigned.getWordCount(), 0);
    EXPECT_EQ(assigned.getNodeCount(), 1);
    EXPECT_EQ(assigned.minimumLength(), 4);
    EXPECT_EQ(checkInvariants(assigned), "");
    EXPECT_TRUE(assigned.insertString("again"));
}

}  // namespace
