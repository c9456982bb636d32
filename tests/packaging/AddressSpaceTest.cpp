// Runs out of the 32-bit address space of a Windows process while the store
// grows, and checks that the std::bad_alloc raised inside RORIRER.dll reaches
// this program and that the store it came from is whole afterwards. An
// unwinder that the DLL and its host do not share turns this into a crash.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "TrieProbe.h"

namespace {

constexpr std::size_t kWordLength = 4096;

// Word n: its number, then filler, so every word is distinct and long and
// the whole set can be rebuilt without keeping copies while memory is short.
// Writes over `word`, which already has the length, so it allocates nothing.
void writeWord(long n, std::string& word) {
    char head[16];
    const int digits = std::snprintf(head, sizeof head, "%08ld", n);
    std::fill(word.begin(), word.end(), static_cast<char>('a' + n % 26));
    std::copy(head, head + digits, word.begin());
}

std::string wordNumber(long n) {
    std::string word(kWordLength, ' ');
    writeWord(n, word);
    return word;
}

// Address space held by the host so that the store meets the end of memory
// after a few hundred words rather than a hundred million nodes. It reserves
// the free ranges it finds instead of probing with allocations that fail:
// under Wine every failed reservation searches the whole address space.
class Ballast {
public:
    Ballast() = default;
    Ballast(const Ballast&) = delete;
    Ballast& operator=(const Ballast&) = delete;
    ~Ballast() { release(); }

    // Reserves every free range but the top `leave` bytes of the largest one.
    void fill(std::size_t leave) {
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        const std::uintptr_t granule = system.dwAllocationGranularity;
        std::vector<Range> free;
        free.reserve(kMaxRanges);
        auto* address = static_cast<char*>(system.lpMinimumApplicationAddress);
        while (address < static_cast<char*>(system.lpMaximumApplicationAddress) &&
               free.size() < kMaxRanges) {
            MEMORY_BASIC_INFORMATION info;
            if (VirtualQuery(address, &info, sizeof info) == 0) break;
            const auto begin = reinterpret_cast<std::uintptr_t>(info.BaseAddress);
            const std::uintptr_t end = begin + info.RegionSize;
            const std::uintptr_t first = (begin + granule - 1) / granule * granule;
            if (info.State == MEM_FREE && end >= first + granule)
                free.push_back({first, (end - first) / granule * granule});
            address = reinterpret_cast<char*>(end);
        }
        if (free.empty()) return;
        std::size_t largest = 0;
        for (std::size_t i = 1; i < free.size(); ++i)
            if (free[i].size > free[largest].size) largest = i;
        free[largest].size -= std::min(free[largest].size, leave);

        // A range that Windows calls free may still hold some of Wine's own
        // mappings; such a range is reserved in halves, down to one granule.
        ranges_.reserve(kMaxRanges);
        while (!free.empty() && ranges_.size() < kMaxRanges) {
            const Range range = free.back();
            free.pop_back();
            if (range.size == 0) continue;
            if (VirtualAlloc(reinterpret_cast<void*>(range.base), range.size, MEM_RESERVE,
                             PAGE_NOACCESS) != nullptr) {
                ranges_.push_back(range);
                held_ += range.size;
            } else if (range.size > granule && free.size() + 2 <= free.capacity()) {
                const std::size_t half = range.size / 2 / granule * granule;
                free.push_back({range.base + half, range.size - half});
                free.push_back({range.base, half});
            }
        }
    }

    void release() {
        for (const Range& range : ranges_)
            VirtualFree(reinterpret_cast<void*>(range.base), 0, MEM_RELEASE);
        ranges_.clear();
        held_ = 0;
    }

    std::size_t held() const { return held_; }

    // Free address space left in pieces of at least one allocation granule.
    static std::size_t freeLeft() {
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        std::size_t left = 0;
        auto* address = static_cast<char*>(system.lpMinimumApplicationAddress);
        while (address < static_cast<char*>(system.lpMaximumApplicationAddress)) {
            MEMORY_BASIC_INFORMATION info;
            if (VirtualQuery(address, &info, sizeof info) == 0) break;
            if (info.State == MEM_FREE && info.RegionSize >= system.dwAllocationGranularity)
                left += info.RegionSize;
            address = static_cast<char*>(info.BaseAddress) + info.RegionSize;
        }
        return left;
    }

private:
    static constexpr std::size_t kMaxRanges = 1 << 14;
    struct Range {
        std::uintptr_t base;
        std::size_t size;
    };
    std::vector<Range> ranges_;
    std::size_t held_ = 0;
};

TEST(AddressSpace, ExhaustionInsideTheDllReachesTheHostAndLeavesTheStoreWhole) {
    ASSERT_EQ(sizeof(void*), 4u) << "this test is for 32-bit processes";
    TrieProbe store;
    Ballast ballast;
    // How much of the 2 GiB a process may use is free depends on what the
    // loader (and, under Wine, its own libraries) took; all of it but the
    // room left for the store must now be held.
    const std::size_t leave = std::size_t{24} << 20;
    ballast.fill(leave);
    ASSERT_GT(ballast.held(), std::size_t{64} << 20) << "found little free address space";
    ASSERT_LE(Ballast::freeLeft(), leave + (std::size_t{4} << 20))
        << "the address space did not fill: " << ballast.held() << " bytes held";

    // The host's own buffers exist before memory runs short and are reused
    // for every word, so the only allocations left in the loop are the
    // store's, inside the DLL.
    long inserted = 0;
    bool thrownByStore = false;
    std::string text = wordNumber(0);
    CString word = toC(text);
    for (;;) {
        bool insideStore = false;
        try {
            writeWord(inserted, text);
            word = text.c_str();  // same length: the buffer is reused
            insideStore = true;
            ASSERT_TRUE(store.insertString(word)) << "word " << inserted;
            insideStore = false;
            ++inserted;
        } catch (const std::bad_alloc&) {
            thrownByStore = insideStore;
            break;
        }
    }
    ballast.release();
    ASSERT_TRUE(thrownByStore) << "the host ran out of memory before the store did";
    ASSERT_GT(inserted, 10) << "the store met the end of memory too early to tell";

    // The failed insertion changed nothing: the counts match the tree, and
    // the tree holds exactly the words whose insertion returned.
    EXPECT_EQ(store.getWordCount(), inserted);
    EXPECT_EQ(checkInvariants(store), "");
    const std::vector<std::string> words = wordsInTree(store);
    ASSERT_EQ(words.size(), static_cast<std::size_t>(inserted));
    for (long n = 0; n < inserted; ++n) ASSERT_EQ(words[n], wordNumber(n)) << "word " << n;

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
