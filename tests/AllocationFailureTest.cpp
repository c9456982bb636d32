// Fails each allocation of a changing member in turn and checks that the
// store is exactly as it was and that nothing leaked.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "TrieProbe.h"

namespace {

// Allocations left before the next one fails; negative means never.
long g_failAfter = -1;
long g_live = 0;

void* allocate(std::size_t size) {
    if (g_failAfter == 0) throw std::bad_alloc();
    if (g_failAfter > 0) --g_failAfter;
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    ++g_live;
    return p;
}

void release(void* p) noexcept {
    if (p == nullptr) return;
    --g_live;
    std::free(p);
}

// The aligned forms too: the store's node pool takes its chunks through them.
void* allocateAligned(std::size_t size, std::align_val_t alignment) {
    if (g_failAfter == 0) throw std::bad_alloc();
    if (g_failAfter > 0) --g_failAfter;
    const auto align = static_cast<std::size_t>(alignment);
    void* p = std::aligned_alloc(align, (size + align - 1) / align * align);
    if (p == nullptr) throw std::bad_alloc();
    ++g_live;
    return p;
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, std::align_val_t a) { return allocateAligned(size, a); }
void* operator new[](std::size_t size, std::align_val_t a) { return allocateAligned(size, a); }
void operator delete(void* p, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { release(p); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }

namespace {

struct Snapshot {
    std::string tree;
    long words;
    long nodes;
    bool operator==(const Snapshot& o) const {
        return tree == o.tree && words == o.words && nodes == o.nodes;
    }
};

Snapshot snapshot(TrieProbe& trie) {
    return {describeTree(trie.rootNode()), trie.getWordCount(), trie.getNodeCount()};
}

TrieProbe sample() {
    TrieProbe trie(0);
    for (const char* w : {"ab", "abc", "abd", "b", "xyz", "\xFFq"}) trie.insertString(w);
    return trie;
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
        g_failAfter = fail;
        try {
            operation();
            g_failAfter = -1;
            return static_cast<int>(fail);
        } catch (const std::bad_alloc&) {
            g_failAfter = -1;
        }
        if (!keepsOutput) {
            EXPECT_EQ(g_live, live) << "leak after failing allocation " << fail;
        }
        EXPECT_TRUE(snapshot(trie) == before) << "changed after failing allocation " << fail;
        EXPECT_EQ(checkInvariants(trie), "");
        if (!failedBefore && ::testing::Test::HasFailure()) return -1;
    }
}

TEST(AllocationFailure, InsertionLeavesTheStoreAsItWas) {
    const char* words[] = {"abcdefgh", "a", "abe", "b12345", "xyw", "\x80\x81\x82"};
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
}

TEST(AllocationFailure, CopyAssignmentAndResetLeaveTheStoreAsItWas) {
    TrieProbe source = sample();
    source.insertString("another word");
    TrieProbe target(2);
    target.insertString("target");
    // At least the root marker, the copy's own pool and a chunk of it.
    EXPECT_GE(failEachAllocation(target, [&] { target = source; }), 3);
    EXPECT_EQ(describeTree(target.rootNode()), describeTree(source.rootNode()));

    TrieProbe emptied = sample();
    EXPECT_EQ(failEachAllocation(emptied, [&] { emptied.reset(); }), 1);
    EXPECT_EQ(emptied.getNodeCount(), 1);
}

TEST(AllocationFailure, CopyConstructorLeaksNothing) {
    TrieProbe source = sample();
    EXPECT_GE(failEachAllocation(source, [&] { TrieProbe copy(source); }), 3);
}

TEST(AllocationFailure, QueriesLeaveTheTreeUntouched) {
    TrieProbe trie = sample();
    CStringArray out;
    failEachAllocation(
        trie, [&] { trie.getPossibleCompletions("", out); }, true);
    EXPECT_EQ(out.GetSize(), 6);
    CString text;
    failEachAllocation(
        trie, [&] { trie.getUniqueCompletion("x", text, false); }, true);
    EXPECT_EQ(toStd(text), "xyz");
    failEachAllocation(
        trie, [&] { trie.containsString("abc", text); }, true);
}

TEST(AllocationFailure, StoreCanBeDestroyedAndShrunkWhileAllocationFails) {
    auto* trie = new TrieProbe(sample());
    const long live = g_live;
    g_failAfter = 0;
    EXPECT_TRUE(trie->removeString("abc"));
    EXPECT_TRUE(trie->removeString("xyz"));
    delete trie;
    g_failAfter = -1;
    EXPECT_LT(g_live, live);
}

}  // namespace
