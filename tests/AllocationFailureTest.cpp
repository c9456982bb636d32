// Fails each allocation of a changing member in turn and checks that the
// store is exactly as it was and that nothing leaked.
#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "FailingAllocator.h"
#include "TrieProbe.h"
#include "completion/internal/SequentialLoader.h"

namespace {

struct Snapshot {
    std::string tree;
    std::vector<std::string> listing;
    long words;
    long nodes;
    long minLength;
    bool operator==(const Snapshot& o) const {
        return tree == o.tree && listing == o.listing && words == o.words && nodes == o.nodes &&
               minLength == o.minLength;
    }
};

// Taken with allocation working: the listing allocates.
Snapshot snapshot(TrieProbe& trie) {
    CStringArray all;
    trie.getPossibleCompletions("", all);
    return {describeTree(trie.rootNode()), toVector(all), trie.getWordCount(), trie.getNodeCount(),
            trie.minimumLength()};
}

TrieProbe sample() {
    TrieProbe trie(0);
    for (const char* w : {"ab", "abc", "abd", "b", "xyz", "\xFFq"}) trie.insertString(w);
    return trie;
}

// Stores of different shapes: empty, the sample, 0xFF-only words, and one
// long word with a branch deep down.
std::vector<TrieProbe> stores() {
    std::vector<TrieProbe> out;
    out.emplace_back(0);
    out.push_back(sample());
    out.emplace_back(1);
    for (int length : {1, 2, 5, 9}) out.back().insertString(toC(std::string(length, '\xFF')));
    out.emplace_back(3);
    const std::string deep(300, 'd');
    out.back().insertString(toC(deep));
    out.back().insertString(toC(deep.substr(0, 200) + "e"));
    return out;
}

// Runs `operation` with the 0th, 1st, 2nd... allocation failing until it
// succeeds, and returns how many allocations it made. After every failure
// `trie` must be as before and, unless the operation fills an output the
// caller keeps, nothing may have leaked.
template <typename Operation>
int failEachAllocation(TrieProbe& trie, Operation operation, bool keepsOutput = false) {
    const bool failedBefore = ::testing::Test::HasFailure();
    const Snapshot before = snapshot(trie);
    for (long fail = 0;; ++fail) {
        const long live = g_live;
        if (!failsWithAllocation(fail, operation)) return static_cast<int>(fail);
        if (!keepsOutput) {
            EXPECT_EQ(g_live, live) << "leak after failing allocation " << fail;
        }
        EXPECT_TRUE(snapshot(trie) == before) << "changed after failing allocation " << fail;
        EXPECT_EQ(checkInvariants(trie), "");
        if (!failedBefore && ::testing::Test::HasFailure()) return -1;
    }
}

TEST(AllocationFailure, InsertionLeavesTheStoreAsItWas) {
    // Between them these reach every way a word joins the tree: a new end
    // marker ("a"), below a leaf ("abcdefgh", "b12345"), in front of a list
    // ("xyw"), after a node ("abe", "\x80..."), and into an empty store.
    const char* words[] = {"abcdefgh", "a", "abe", "b12345", "xyw", "\x80\x81\x82", "\xFF\xFF\xFF"};
    for (const char* word : words) {
        SCOPED_TRACE(word);
        TrieProbe trie = sample();
        failEachAllocation(trie, [&] { trie.insertString(word); });
        CString matched;
        EXPECT_TRUE(trie.containsString(word, matched));
        EXPECT_EQ(checkInvariants(trie), "");
    }

    // The first word brings the store's node pool and its first chunk.
    TrieProbe fresh(0);
    EXPECT_EQ(failEachAllocation(fresh, [&] { fresh.insertString("abc"); }), 2);

    // Later words take nodes from the pool, which grows a chunk at a time:
    // a long run of insertions fails each of those growths in turn.
    TrieProbe grown(1);
    int allocations = 0;
    for (int i = 0; i < 800; ++i) {
        const CString word = toC(std::to_string(i * 7919 % 100003) + "-word");
        const int made = failEachAllocation(grown, [&] { grown.insertString(word); });
        ASSERT_GE(made, 0);
        allocations += made;
    }
    EXPECT_EQ(grown.getWordCount(), 800);
    EXPECT_GE(allocations, 4);
    for (TrieProbe& trie : stores()) {
        SCOPED_TRACE(describeTree(trie.rootNode()).substr(0, 40));
        const CString deep = toC(std::string(250, 'd') + "x" + std::string(100, '\xFF'));
        const long stored = trie.getWordCount();
        // The pool takes memory a chunk at a time, so the count says little;
        // every failure in between must leave the store as it was.
        EXPECT_GE(failEachAllocation(trie, [&] { trie.insertString(deep); }), 0);
        EXPECT_EQ(trie.getWordCount(), stored + 1);
        // A refused word allocates nothing and changes nothing.
        EXPECT_EQ(failEachAllocation(trie, [&] { EXPECT_FALSE(trie.insertString(deep)); }), 0);
    }
}

TEST(AllocationFailure, SequentialLoadKeepsTheWordsBeforeTheFailure) {
    // Sorted runs, repeats, words that extend the one before, short words,
    // and long ones that make the loader's own buffers grow; enough nodes for
    // the pool to take several chunks.
    std::vector<std::string> words;
    words.reserve(3000);
    for (int i = 0; i < 3000; ++i) words.push_back(std::to_string(i * 7919 % 100003) + "-word");
    std::sort(words.begin(), words.end());
    for (size_t i = 0; i < words.size(); i += 97) {
        words.insert(words.begin() + static_cast<long>(i), {words[i], words[i] + "s", "x"});
    }
    words.insert(words.begin() + 1500, std::string(40, 'k'));
    words.insert(words.begin() + 2500, std::string(300, 'k') + "q");
    const long minLength = 2;
    // Made before any allocation may fail: a long CString allocates.
    std::vector<CString> texts;
    texts.reserve(words.size());
    for (const std::string& word : words) texts.push_back(toC(word));
    TrieProbe whole(minLength);
    std::vector<bool> expected;
    expected.reserve(texts.size());
    for (const CString& text : texts) expected.push_back(whole.insertString(text));

    int failures = 0;
    for (long fail = 0;; ++fail) {
        const long live = g_live;
        {
            rorirer::WordStore store(minLength);
            rorirer::SequentialLoader loader(store);
            std::vector<bool> answers;
            answers.reserve(texts.size());
            size_t failedAt = texts.size();
            g_failAfter = fail;
            for (size_t i = 0; i < texts.size(); ++i) {
                try {
                    answers.push_back(loader.insert(texts[i]));
                } catch (const std::bad_alloc&) {
                    failedAt = i;
                    break;
                }
            }
            g_failAfter = -1;
            if (failedAt < texts.size()) {
                ++failures;
                // Exactly the store of the words before the failing one. (No
                // SCOPED_TRACE: its first use keeps memory, which would read
                // as a leak.)
                TrieProbe before(minLength);
                for (size_t i = 0; i < failedAt; ++i) before.insertString(texts[i]);
                EXPECT_EQ(describeTree(store.top()), describeTree(before.rootNode()))
                    << "allocation " << fail << " failed at word " << failedAt;
                EXPECT_EQ(store.getWordCount(), before.getWordCount());
                EXPECT_EQ(store.getNodeCount(), before.getNodeCount());
                // The loader takes up the failing word and goes on.
                for (size_t i = failedAt; i < texts.size(); ++i)
                    answers.push_back(loader.insert(texts[i]));
            }
            EXPECT_TRUE(answers == expected);
            EXPECT_EQ(describeTree(store.top()), describeTree(whole.rootNode()));
            EXPECT_EQ(checkInvariants(store.top(), store.getNodeCount(), store.getWordCount()), "");
            if (::testing::Test::HasFailure() || failedAt == texts.size()) break;
        }
        EXPECT_EQ(g_live, live) << "leak after failing allocation " << fail;
    }
    // The pool's chunks and the loader's buffers: several of each.
    EXPECT_GE(failures, 10);
}

TEST(AllocationFailure, CopyAssignmentAndResetLeaveTheStoreAsItWas) {
    TrieProbe source = sample();
    source.insertString("another word");
    TrieProbe target(2);
    target.insertString("target");
    // At least the root marker, the copy's own pool and a chunk of it.
    EXPECT_GE(failEachAllocation(target, [&] { target = source; }), 3);
    EXPECT_EQ(describeTree(target.rootNode()), describeTree(source.rootNode()));

    for (TrieProbe& from : stores()) {
        for (TrieProbe& to : stores()) {
            // At least the root marker; the nodes come a pool chunk at a time.
            EXPECT_GE(failEachAllocation(to, [&] { to = from; }), 1);
            EXPECT_TRUE(snapshot(to) == snapshot(from));
            EXPECT_EQ(checkInvariants(to), "");
        }
        // Self-assignment needs no allocation at all.
        const TrieProbe& self = from;
        // cppcheck-suppress selfAssignment
        EXPECT_EQ(failEachAllocation(from, [&] { from = self; }), 0);
    }

    for (TrieProbe& emptied : stores()) {
        EXPECT_EQ(failEachAllocation(emptied, [&] { emptied.reset(); }), 1);
        EXPECT_EQ(emptied.getNodeCount(), 1);
        EXPECT_EQ(emptied.getWordCount(), 0);
        EXPECT_EQ(checkInvariants(emptied), "");
    }
}

// A subclass that puts a root marker of its own in place: the store then
// makes its nodes one by one on the heap instead of from its pool.
class HeapRootTrie : public TrieProbe {
public:
    HeapRootTrie() : TrieProbe(0) {
        LinkedTrieNode* own = new LinkedTrieNode();
        killTrieNodes(root);
        root = own;
    }
};

TEST(AllocationFailure, HeapNodesOfASubclassRootLeaveTheStoreAsItWas) {
    HeapRootTrie trie;
    for (const char* w : {"ab", "abc", "xyz"}) ASSERT_TRUE(trie.insertString(w));
    for (const char* w : {"abcdef", "a", "abd", "b", "xyy"}) {
        SCOPED_TRACE(w);
        // One allocation per new node, each failing in turn.
        EXPECT_GE(failEachAllocation(trie, [&] { trie.insertString(w); }), 1);
        EXPECT_EQ(checkInvariants(trie), "");
    }
    EXPECT_EQ(trie.getWordCount(), 8);
}

TEST(AllocationFailure, CopyConstructorLeaksNothing) {
    for (TrieProbe& source : stores()) {
        Snapshot copied{};
        const int made = failEachAllocation(source, [&] {
            TrieProbe copy(source);
            copied = snapshot(copy);
        });
        EXPECT_GE(made, 1);
        EXPECT_TRUE(copied == snapshot(source));
    }
}

TEST(AllocationFailure, QueriesLeaveTheTreeUntouched) {
    for (TrieProbe& trie : stores()) {
        SCOPED_TRACE(describeTree(trie.rootNode()).substr(0, 40));
        CStringArray out;
        failEachAllocation(
            trie, [&] { trie.getPossibleCompletions("", out); }, true);
        EXPECT_EQ(out.GetSize(), trie.getWordCount());
        // The prefix is one of the array's own elements; the first
        // allocations that fail are those that fill the array.
        failEachAllocation(
            trie,
            [&] {
                out.SetSize(0);
                out.Add("zz");
                out.Add("d");
                trie.getPossibleCompletions(out[1], out);
            },
            true);
        for (bool skip : {false, true}) {
            for (const char* prefix : {"", "a", "d", "\xFF", "\xFF\xFF"}) {
                CString text;
                failEachAllocation(
                    trie, [&] { trie.getUniqueCompletion(prefix, text, skip); }, true);
                failEachAllocation(
                    trie, [&] { trie.getLongestUnambiguousCompletion(prefix, text, skip); }, true);
                text = prefix;
                failEachAllocation(
                    trie, [&] { trie.getLongestUnambiguousCompletion(text, text, skip); }, true);
                failEachAllocation(
                    trie, [&] { trie.containsString(prefix, text); }, true);
            }
        }
    }
    TrieProbe trie = sample();
    CStringArray out;
    failEachAllocation(
        trie, [&] { trie.getPossibleCompletions("", out); }, true);
    EXPECT_EQ(out.GetSize(), 6);
    CString text;
    failEachAllocation(
        trie, [&] { trie.getUniqueCompletion("x", text, false); }, true);
    EXPECT_EQ(toStd(text), "xyz");
    CString matched("abcx");
    failEachAllocation(
        trie, [&] { trie.containsString(matched, matched); }, true);
    EXPECT_EQ(toStd(matched), "abc");
}

TEST(AllocationFailure, StoreCanBeDestroyedAndShrunkWhileAllocationFails) {
    auto* trie = new TrieProbe(sample());
    const long live = g_live;
    g_failAfter = 0;
    EXPECT_TRUE(trie->removeString("abc"));
    EXPECT_TRUE(trie->removeString("xyz"));
    EXPECT_FALSE(trie->removeString("absent"));
    delete trie;
    g_failAfter = -1;
    EXPECT_LT(g_live, live);

    // Every store shape, destroyed with every allocation failing, gives back
    // every block it held.
    const long before = g_live;
    auto* shapes = new std::vector<TrieProbe>(stores());
    g_failAfter = 0;
    delete shapes;
    g_failAfter = -1;
    EXPECT_EQ(g_live, before);
}

}  // namespace
