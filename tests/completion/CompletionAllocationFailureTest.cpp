// Fails each allocation of a changing member of CompletionStore in turn and
// checks that the store's words and their origins, counts and recency are
// exactly as before, and that its tree, word table and rank index agree.
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "FailingAllocator.h"
#include "completion/CompletionStore.h"
#include "completion/internal/StoreState.h"

namespace {

using rorirer::CaseMode;
using rorirer::CompletionStore;
using rorirer::Origin;

// Every word with what the store knows of it, and a ranked answer.
std::string snapshot(const CompletionStore& store) {
    rorirer::Query q;
    q.style.caseMode = CaseMode::kExact;
    q.style.sortOrder = rorirer::SortOrder::kAlpha;
    q.style.limit = SIZE_MAX;
    q.style.fuzzy = false;
    std::string out;
    for (const auto& c : store.complete(q).candidates) {
        const auto info = store.lookUp(c.word);
        out += c.word + " " + std::to_string(info->origins) + " " + std::to_string(info->count) +
               " " + std::to_string(info->documentCount) + " " + std::to_string(info->recent) +
               "\n";
    }
    q.prefix = "w";
    q.style.sortOrder = rorirer::SortOrder::kRank;
    q.style.caseMode = CaseMode::kInfer;
    for (const auto& c : store.complete(q).candidates) out += c.text + ",";
    return out;
}

// Runs `operation` with the 0th, 1st, 2nd... allocation failing until it
// succeeds; returns how many allocations it made.
template <typename Operation>
int failEachAllocation(CompletionStore& store, Operation operation) {
    const bool failedBefore = ::testing::Test::HasFailure();
    const std::string before = snapshot(store);
    for (long fail = 0;; ++fail) {
        if (!failsWithAllocation(fail, operation)) return static_cast<int>(fail);
        EXPECT_EQ(snapshot(store), before) << "changed after failing allocation " << fail;
        EXPECT_EQ(rorirer::StoreInspection::checkConsistency(store), "")
            << "after failing allocation " << fail;
        if (!failedBefore && ::testing::Test::HasFailure()) return -1;
    }
}

// Built word by word: its vectors have room to spare.
CompletionStore sample() {
    CompletionStore store(3);
    for (int i = 0; i < 300; ++i) store.addDictionaryWord("word" + std::to_string(i * 7919 % 1000));
    store.addTextWord("wordy", 3);
    store.learnWord("wording");
    store.addDocumentOccurrences("worded", 2);
    return store;
}

// Built in bulk: its leaves are full and its vectors exactly sized, so the
// first change must allocate.
CompletionStore bulkSample() {
    std::vector<std::string> words;
    words.reserve(1103);
    for (int i = 0; i < 1100; ++i) words.push_back("word" + std::to_string(i * 7919 % 10000));
    for (const char* w : {"wordy", "wording", "worded"}) words.emplace_back(w);
    std::vector<CompletionStore::WordCount> entries;
    entries.reserve(words.size());
    for (const auto& w : words) entries.push_back({w, 0});
    CompletionStore store(3);
    store.addWords(entries, Origin::kDictionary);
    store.addTextWord("wordy", 3);
    store.learnWord("wording");
    store.addDocumentOccurrences("worded", 2);
    return store;
}

TEST(CompletionAllocationFailure, ChangesLeaveTheStoreAsItWas) {
    struct Change {
        const char* what;
        void (*run)(CompletionStore&);
        int leastAllocations;  // on the store built in bulk
    };
    const std::vector<Change> changes = {
        {"a new word", [](CompletionStore& s) { s.addDictionaryWord("wombat", 4); }, 1},
        {"a new long word", [](CompletionStore& s) { s.addDictionaryWord(std::string(300, 'w')); },
         2},
        {"a count", [](CompletionStore& s) { s.addTextWord("word7", 2); }, 0},
        {"a learned word", [](CompletionStore& s) { s.learnWord("wonder"); }, 1},
        {"a touch", [](CompletionStore& s) { s.touchWord("word14"); }, 0},
        {"document occurrences", [](CompletionStore& s) { s.addDocumentOccurrences("woke", 2); },
         1},
        {"fewer occurrences", [](CompletionStore& s) { s.removeDocumentOccurrences("worded"); }, 0},
        {"the last occurrence",
         [](CompletionStore& s) { s.removeDocumentOccurrences("worded", 2); }, 0},
        {"a forgotten word", [](CompletionStore& s) { s.forgetWord("word21"); }, 0},
        {"a reset", [](CompletionStore& s) { s.reset(); }, 1},
        {"an assignment", [](CompletionStore& s) { s = sample(); }, 10},
        {"words in bulk",
         [](CompletionStore& s) {
             std::vector<std::string> words;
             words.reserve(1200);
             for (int i = 0; i < 1200; ++i) words.push_back("wx" + std::to_string(i));
             std::vector<CompletionStore::WordCount> entries;
             entries.reserve(words.size() + 1);
             for (const auto& w : words) entries.push_back({w, 1});
             entries.push_back({"word7", 5});  // an old word among them
             s.addWords(entries, Origin::kDictionary);
         },
         5},
        {"words one by one",
         [](CompletionStore& s) {
             s.addWords({{"wa", 0}, {"wbc", 0}, {"wcd", 0}}, Origin::kPersonal);
         },
         1},
        {"a query",
         [](CompletionStore& s) {
             rorirer::Query q;
             q.prefix = "wrod";
             q.wantCount = true;
             s.complete(q);
         },
         1},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        CompletionStore roomy = sample();
        EXPECT_GE(failEachAllocation(roomy, [&] { change.run(roomy); }), 0);
        EXPECT_EQ(rorirer::StoreInspection::checkConsistency(roomy), "");
        CompletionStore full = bulkSample();
        EXPECT_GE(failEachAllocation(full, [&] { change.run(full); }), change.leastAllocations);
        EXPECT_EQ(rorirer::StoreInspection::checkConsistency(full), "");
    }
}

TEST(CompletionAllocationFailure, CopiesLeaveTheSourceAlone) {
    const CompletionStore source = sample();
    const std::string before = snapshot(source);
    for (long fail = 0;; ++fail) {
        g_failAfter = fail;
        try {
            // The copy is what is under test, failing allocation by allocation.
            // NOLINTNEXTLINE(performance-unnecessary-copy-initialization)
            const CompletionStore copy(source);
            g_failAfter = -1;
            EXPECT_EQ(snapshot(copy), before);
            break;
        } catch (const std::bad_alloc&) {
            g_failAfter = -1;
        }
        ASSERT_EQ(snapshot(source), before);
    }
}

}  // namespace
