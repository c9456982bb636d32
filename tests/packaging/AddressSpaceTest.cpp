// Runs out of the 32-bit address space of a Windows process while the store
// grows, and checks that the std::bad_alloc raised inside RORIRER.dll reaches
// this program and that the store it came from is whole afterwards. An
// unwinder that the DLL and its host do not share turns this into a crash.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "TrieProbe.h"

namespace {

constexpr std::size_t kWordLength = 4096;

// Word n: its number, then filler, so every word is distinct and long and
// the whole set can be rebuilt without keeping copies while memory is short.
std::string wordNumber(long n) {
    char head[16];
    std::snprintf(head, sizeof head, "%08ld", n);
    std::string word(head);
    word.append(kWordLength - word.size(), static_cast<char>('a' + n % 26));
    return word;
}

// Address space held by the host so that the store meets the end of memory
// after a few hundred words rather than a hundred million nodes. The blocks
// shrink on each failure, down to a size that leaves no useful hole behind.
class Ballast {
public:
    Ballast() { blocks_.reserve(1 << 16); }
    Ballast(const Ballast&) = delete;
    Ballast& operator=(const Ballast&) = delete;
    ~Ballast() { releaseAll(); }

    void fill() {
        for (std::size_t size = std::size_t{256} << 20; size >= (std::size_t{64} << 10);) {
            if (blocks_.size() == blocks_.capacity())
                break;
            void* block = ::operator new(size, std::nothrow);
            if (block == nullptr) {
                size /= 2;
                continue;
            }
            blocks_.push_back({block, size});
            held_ += size;
        }
    }

    // Frees the largest blocks first until `bytes` are free again.
    void release(std::size_t bytes) {
        std::size_t freed = 0;
        while (freed < bytes && !blocks_.empty()) {
            std::size_t largest = 0;
            for (std::size_t i = 1; i < blocks_.size(); ++i)
                if (blocks_[i].size > blocks_[largest].size)
                    largest = i;
            freed += blocks_[largest].size;
            held_ -= blocks_[largest].size;
            ::operator delete(blocks_[largest].memory);
            blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(largest));
        }
    }

    void releaseAll() { release(held_); }
    std::size_t held() const { return held_; }

private:
    struct Block {
        void* memory;
        std::size_t size;
    };
    std::vector<Block> blocks_;
    std::size_t held_ = 0;
};

TEST(AddressSpace, ExhaustionInsideTheDllReachesTheHostAndLeavesTheStoreWhole) {
    ASSERT_EQ(sizeof(void*), 4u) << "this test is for 32-bit processes";
    TrieProbe store;
    Ballast ballast;
    ballast.fill();
    ASSERT_GT(ballast.held(), std::size_t{1} << 30) << "the address space did not fill";
    ballast.release(std::size_t{48} << 20);

    long inserted = 0;
    bool thrownByStore = false;
    for (;;) {
        bool insideStore = false;
        try {
            const CString word = toC(wordNumber(inserted));
            insideStore = true;
            ASSERT_TRUE(store.insertString(word)) << "word " << inserted;
            insideStore = false;
            ++inserted;
        } catch (const std::bad_alloc&) {
            thrownByStore = insideStore;
            break;
        }
    }
    ballast.releaseAll();
    ASSERT_TRUE(thrownByStore) << "the host ran out of memory before the store did";
    ASSERT_GT(inserted, 10) << "the store met the end of memory too early to tell";

    // The failed insertion changed nothing: the counts match the tree, and
    // the tree holds exactly the words whose insertion returned.
    EXPECT_EQ(store.getWordCount(), inserted);
    EXPECT_EQ(checkInvariants(store), "");
    const std::vector<std::string> words = wordsInTree(store);
    ASSERT_EQ(words.size(), static_cast<std::size_t>(inserted));
    for (long n = 0; n < inserted; ++n)
        ASSERT_EQ(words[n], wordNumber(n)) << "word " << n;

    CString matched;
    EXPECT_TRUE(store.containsString(toC(wordNumber(inserted - 1)), matched));
    EXPECT_FALSE(store.containsString(toC(wordNumber(inserted)), matched));
    CString completion;
    EXPECT_TRUE(store.getUniqueCompletion(toC(wordNumber(0).substr(0, 8)), completion, false));
    EXPECT_EQ(toStd(completion), wordNumber(0));

    // With memory back, the word that failed goes in.
    EXPECT_TRUE(store.insertString(toC(wordNumber(inserted))));
    EXPECT_EQ(store.getWordCount(), inserted + 1);
    EXPECT_EQ(checkInvariants(store), "");
}

}  // namespace
