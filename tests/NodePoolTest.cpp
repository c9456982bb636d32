// The store's node pool: nodes freed by removal, by killTrieNodes on a
// sublist or by a subclass's own delete go back to the pool and are used
// again; copies have pools of their own; nodes may outlive their store's
// root marker. Run under AddressSanitizer, these also catch a slot handed
// out twice, a node freed twice and a pool freed while its nodes live.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "HeapUse.h"
#include "TrieProbe.h"

namespace {

// The tests that weigh the heap need the C library to tell its size.
size_t heapInUse() {
    const long long bytes = rorirer::heapBytesInUse();
    if (bytes < 0) throw std::runtime_error("the C library does not report its heap use");
    return static_cast<size_t>(bytes);
}

std::vector<std::string> randomWords(size_t count, unsigned seed) {
    std::mt19937 rng(seed);
    std::set<std::string> words;
    while (words.size() < count) {
        std::string w;
        const size_t length = 1 + rng() % 9;
        for (size_t i = 0; i < length; ++i) w += "abcdexyz\x80\xFF"[rng() % 10];
        words.insert(w);
    }
    std::vector<std::string> out(words.begin(), words.end());
    std::shuffle(out.begin(), out.end(), rng);
    return out;
}

// A subclass that works on lists itself, as the protected members allow.
class ListSurgeon : public TrieProbe {
public:
    using TrieProbe::TrieProbe;

    // Unlinks the list below the top-level node for `first` and returns it;
    // the node becomes a leaf, so the counts are fixed up from the tree.
    LinkedTrieNode* detachBelow(char first) {
        for (LinkedTrieNode* node = root; node != nullptr; node = node->nextSibling) {
            if (node->character != static_cast<unsigned char>(first)) continue;
            LinkedTrieNode* list = node->firstChild;
            node->firstChild = nullptr;
            recount();
            return list;
        }
        return nullptr;
    }
    void recount() {
        nodeCount = 0;
        wordCount = 0;
        std::vector<LinkedTrieNode*> stack{root};
        while (!stack.empty()) {
            LinkedTrieNode* list = stack.back();
            stack.pop_back();
            for (LinkedTrieNode* n = list; n != nullptr; n = n->nextSibling) {
                ++nodeCount;
                if (n->firstChild != nullptr) {
                    stack.push_back(n->firstChild);
                } else if (n != root) {
                    ++wordCount;
                }
            }
        }
    }
    // Links a node made on the heap, not by the store, into the top-level
    // list as a one-character word (`ch` must be an ASCII letter not there).
    void linkOwnNode(char ch) {
        LinkedTrieNode* prev = root;
        while (prev->nextSibling != nullptr && prev->nextSibling->character < std::uint32_t(ch)) {
            prev = prev->nextSibling;
        }
        auto* node = new LinkedTrieNode(static_cast<std::uint32_t>(ch));
        node->nextSibling = prev->nextSibling;
        prev->nextSibling = node;
        ++nodeCount;
        ++wordCount;
    }
    void freeList(LinkedTrieNode* list) { killTrieNodes(list); }
};

TEST(NodePool, ReuseAfterRemovalKeepsInvariantsAndMemory) {
    const std::vector<std::string> words = randomWords(3000, 11);
    TrieProbe trie(1);
    std::set<std::string> model;
    for (const auto& w : words) {
        trie.insertString(toC(w));
        model.insert(w);
    }
    std::mt19937 rng(5);
    for (int round = 0; round < 4; ++round) {
        // Remove a random half, then put it back: the freed slots are taken
        // again, so the heap does not grow.
        std::vector<std::string> half;
        for (const auto& w : words) {
            if (rng() % 2) half.push_back(w);
        }
        for (const auto& w : half) {
            ASSERT_TRUE(trie.removeString(toC(w)));
            model.erase(w);
        }
        ASSERT_EQ(checkInvariants(trie), "");
        ASSERT_EQ(wordsInTree(trie), std::vector<std::string>(model.begin(), model.end()));
        std::vector<CString> again;
        again.reserve(half.size());
        for (const auto& w : half) again.push_back(toC(w));
        const size_t halved = heapInUse();
        for (const auto& w : again) ASSERT_TRUE(trie.insertString(w));
        const size_t full = heapInUse();
        model.insert(half.begin(), half.end());
        ASSERT_EQ(checkInvariants(trie), "");
        ASSERT_EQ(wordsInTree(trie), std::vector<std::string>(model.begin(), model.end()));
        EXPECT_LE(full, halved) << "round " << round;
    }
}

TEST(NodePool, SubclassFreesSublistsWithKillTrieNodesAndDelete) {
    ListSurgeon trie(1);
    for (const auto& w : randomWords(500, 3)) trie.insertString(toC(w));
    const long before = trie.getNodeCount();

    LinkedTrieNode* list = trie.detachBelow('a');
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(checkInvariants(trie), "");
    trie.freeList(list);
    EXPECT_LT(trie.getNodeCount(), before);

    // A single node freed with delete, as a subclass of the classic store
    // would free a node it made or unlinked.
    list = trie.detachBelow('b');
    ASSERT_NE(list, nullptr);
    LinkedTrieNode* rest = list->nextSibling;
    list->nextSibling = nullptr;
    trie.freeList(list->firstChild);
    delete list;
    trie.freeList(rest);

    // Nodes of its own on the heap mix with the pool's in one tree.
    trie.linkOwnNode('q');
    trie.insertString("qrs");
    EXPECT_EQ(checkInvariants(trie), "");
    CString matched;
    EXPECT_TRUE(trie.containsString("q", matched));
    EXPECT_TRUE(trie.containsString("qrs", matched));

    // The freed slots are taken again by later insertions.
    for (const auto& w : randomWords(500, 4)) trie.insertString(toC(w));
    EXPECT_EQ(checkInvariants(trie), "");
    TrieProbe copy(trie);
    EXPECT_EQ(describeTree(copy.rootNode()), describeTree(trie.rootNode()));
}

TEST(NodePool, NodesMayOutliveTheirStore) {
    auto* trie = new ListSurgeon(1);
    for (const auto& w : randomWords(300, 9)) trie->insertString(toC(w));
    LinkedTrieNode* kept = trie->detachBelow('x');
    ASSERT_NE(kept, nullptr);
    trie->reset();
    for (const auto& w : randomWords(300, 10)) trie->insertString(toC(w));
    delete trie;
    // The pool stays until its last node goes, whoever frees it.
    ListSurgeon other(1);
    other.insertString("other");
    other.freeList(kept);
    EXPECT_EQ(checkInvariants(other), "");
}

TEST(NodePool, CopiesHaveTheirOwnPools) {
    const std::vector<std::string> words = randomWords(1000, 21);
    auto* source = new TrieProbe(1);
    for (const auto& w : words) source->insertString(toC(w));
    TrieProbe copy(*source);
    TrieProbe assigned(1);
    assigned.insertString("old tree");
    assigned = *source;
    // Emptying and destroying the source must not touch either copy's nodes.
    for (size_t i = 0; i < words.size(); i += 2) source->removeString(toC(words[i]));
    delete source;
    for (TrieProbe* t : {&copy, &assigned}) {
        EXPECT_EQ(checkInvariants(*t), "");
        EXPECT_EQ(t->getWordCount(), static_cast<long>(words.size()));
        for (size_t i = 1; i < words.size(); i += 2) EXPECT_TRUE(t->removeString(toC(words[i])));
        EXPECT_EQ(checkInvariants(*t), "");
    }
}

// A store built in random order scatters each list over its pool; a copy
// makes the members of each list one after another, so they sit in adjacent
// slots (the page header at the start of each page aside), which is what
// lookups in a copy gain from.
TEST(NodePool, CopiesLayEachListOutInAdjacentSlots) {
    std::vector<std::string> words = randomWords(3000, 33);
    std::shuffle(words.begin(), words.end(), std::mt19937(34));
    TrieProbe source(1);
    for (const auto& w : words) source.insertString(toC(w));
    for (TrieProbe* copy : {new TrieProbe(source), new TrieProbe(1)}) {
        if (copy->getWordCount() == 0) *copy = source;
        constexpr std::uintptr_t kSlot = sizeof(LinkedTrieNode);
        constexpr std::uintptr_t kPage = 4096;
        size_t pairs = 0;
        size_t apart = 0;
        std::vector<LinkedTrieNode*> lists{copy->rootNode()->nextSibling};
        while (!lists.empty()) {
            LinkedTrieNode* node = lists.back();
            lists.pop_back();
            for (; node != nullptr; node = node->nextSibling) {
                if (node->firstChild != nullptr) lists.push_back(node->firstChild);
                if (node->nextSibling == nullptr) continue;
                const auto here = reinterpret_cast<std::uintptr_t>(node);
                const auto next = reinterpret_cast<std::uintptr_t>(node->nextSibling);
                const bool adjacent =
                    next == here + kSlot || (next == here + 2 * kSlot && next % kPage == kSlot);
                ++pairs;
                apart += adjacent ? 0 : 1;
            }
        }
        EXPECT_GT(pairs, words.size() / 2);
        EXPECT_EQ(apart, 0u) << "of " << pairs << " neighbours in lists";
        EXPECT_EQ(checkInvariants(*copy), "");
        delete copy;
    }
}

// A subclass may set the node count to anything. A copy sizes its first
// chunk from that count, but never beyond what the source's pool holds: a
// huge count must neither fail the copy nor make it take (and fault in)
// memory the tree does not need.
TEST(NodePool, CopiesOfAStoreWithAWrongNodeCountAreWhole) {
    class Miscounted : public TrieProbe {
    public:
        using TrieProbe::TrieProbe;
        void setNodeCount(long count) { nodeCount = count; }
    };
    const std::vector<std::string> words = randomWords(500, 41);
    std::vector<std::string> sorted = words;
    std::sort(sorted.begin(), sorted.end());
    for (const long wrong : {LONG_MAX, LONG_MAX / 2, 50'000'000L, 3L, 0L, -7L}) {
        Miscounted source(1);
        for (const auto& w : words) source.insertString(toC(w));
        source.setNodeCount(wrong);
        const size_t before = heapInUse();
        TrieProbe copy(source);
        EXPECT_LT(heapInUse() - before, size_t{4} << 20) << "count " << wrong;
        TrieProbe assigned(1);
        assigned = source;
        for (TrieProbe* t : {&copy, &assigned}) {
            EXPECT_EQ(wordsInTree(*t), sorted) << "count " << wrong;
            EXPECT_EQ(t->getNodeCount(), wrong);
        }
    }
}

// A node of a subclass's own that counts the ones alive.
struct Counted : LinkedTrieNode {
    using LinkedTrieNode::LinkedTrieNode;
    ~Counted() override { --alive; }
    static inline int alive = 0;
};

// Teardown sweeps the pool only when the tree is exactly the pool's nodes.
// Counts that agree do not show it: here a subclass keeps pooled nodes
// outside the tree while as many nodes of its own sit in it, or unlinks a
// node that still points into its old list and leaves the counts alone.
// Sweeping would destroy the kept nodes (the sanitizer runs then report
// their use below) and leak the subclass's own.
TEST(NodePool, TeardownLeavesNodesKeptOutsideTheTreeAndFreesNodesOfItsOwn) {
    {
        auto* trie = new ListSurgeon(1);
        for (const char* w : {"abc", "abd", "x"}) trie->insertString(w);
        LinkedTrieNode* kept = trie->detachBelow('a');  // b(c, d): three nodes
        ASSERT_EQ(describeTree(kept), "b(cd)");
        LinkedTrieNode* top = trie->rootNode();
        while (top->nextSibling != nullptr) top = top->nextSibling;
        for (char ch : {'y', 'z'}) {  // as many nodes of its own: 'y', 'z' and a child
            auto* own = new Counted(static_cast<std::uint32_t>(ch));
            ++Counted::alive;
            top->nextSibling = own;
            top = own;
        }
        top->firstChild = new Counted('q');
        ++Counted::alive;
        trie->recount();
        delete trie;
        EXPECT_EQ(Counted::alive, 0) << "nodes of the subclass's own were not freed";
        EXPECT_EQ(describeTree(kept), "b(cd)");
        ListSurgeon other(1);
        other.freeList(kept);
    }
    {
        auto* trie = new ListSurgeon(1);
        for (const char* w : {"ab", "ac", "ad"}) trie->insertString(w);
        LinkedTrieNode* b = trie->rootNode()->nextSibling->firstChild;
        LinkedTrieNode* c = b->nextSibling;
        ASSERT_EQ(c->character, std::uint32_t{'c'});
        b->nextSibling = c->nextSibling;  // unlinked, still pointing at 'd'
        delete trie;
        EXPECT_EQ(c->character, std::uint32_t{'c'});
        c->nextSibling = nullptr;
        delete c;
    }
}

// How many pages hold the nodes of the lists at depths 0 to 3 (the top-level
// list is at depth 0), and how many such nodes there are.
struct UpperPages {
    size_t nodes = 0;
    size_t pages = 0;
};

UpperPages countUpperPages(TrieProbe& trie) {
    struct Pending {
        LinkedTrieNode* list;
        int depth;
    };
    std::set<std::uintptr_t> pages;
    UpperPages out;
    std::vector<Pending> lists{{trie.rootNode()->nextSibling, 0}};
    while (!lists.empty()) {
        const Pending pending = lists.back();
        lists.pop_back();
        if (pending.depth >= 4) continue;
        for (LinkedTrieNode* node = pending.list; node != nullptr; node = node->nextSibling) {
            ++out.nodes;
            pages.insert(reinterpret_cast<std::uintptr_t>(node) / 4096);
            if (node->firstChild != nullptr) lists.push_back({node->firstChild, pending.depth + 1});
        }
    }
    out.pages = pages.size();
    return out;
}

// A subclass that inserts each word below the top-level node of its first
// character where there is one, as a layer holding node pointers may (the
// completion layer's loader does the like): the walk then starts below the
// root and learns the depth from the nodes it meets.
class BelowTheRoot : public TrieProbe {
public:
    using TrieProbe::TrieProbe;

    void insertBelow(const std::string& word) {
        LinkedTrieNode* top = root->nextSibling;
        while (top != nullptr && top->character != static_cast<unsigned char>(word[0]))
            top = top->nextSibling;
        if (top == nullptr || top->firstChild == nullptr || word.size() < 2) {
            insertString(toC(word));
            return;
        }
        long created = 0;
        if (insertString(word.c_str() + 1, top->firstChild, top, created)) ++wordCount;
    }
};

TEST(NodePool, NodesNearTheRootShareFewPages) {
    // Once the pool is past its first chunks, the nodes of the lists at
    // depths 0 to 3 go to pages of their own for their depth. Words in random
    // order bring such nodes throughout the build, each among the deep nodes
    // of its word: spread among those, they would fill about a page each.
    std::vector<std::string> words = randomWords(40000, 77);
    for (std::string& w : words) {
        // ASCII only, so that the first byte names its top-level node.
        for (char& ch : w) ch = static_cast<char>('a' + static_cast<unsigned char>(ch) % 20);
    }
    TrieProbe shuffled(1);
    for (const std::string& w : words) shuffled.insertString(toC(w));
    // A walk that starts below the root learns the depth from the tier of a
    // node it meets, which the nodes of the first chunks, made before there
    // were tiers, cannot tell: the words of two letters, in random order
    // from the root, fill those first. The rest come in sorted order, each
    // walked from below its top-level node once there is one.
    std::vector<std::string> sorted;
    BelowTheRoot below(1);
    for (const std::string& w : words) {
        if (w[0] <= 'b') {
            below.insertString(toC(w));
        } else {
            sorted.push_back(w);
        }
    }
    std::sort(sorted.begin(), sorted.end());
    for (const std::string& w : sorted) below.insertBelow(w);
    EXPECT_EQ(checkInvariants(below), "");
    EXPECT_EQ(wordsInTree(below), wordsInTree(shuffled));

    for (TrieProbe* trie : {&shuffled, static_cast<TrieProbe*>(&below)}) {
        const UpperPages upper = countUpperPages(*trie);
        // Full pages of them, the pages of the first chunks (before there are
        // tiers), and a page begun for each depth.
        const size_t bound = upper.nodes / 127 + 1 + 64 + 4;
        EXPECT_GT(upper.nodes, 4000u);
        EXPECT_LE(upper.pages, bound) << upper.nodes << " nodes near the root";
    }
}

}  // namespace
