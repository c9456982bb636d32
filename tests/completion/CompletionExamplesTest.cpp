// Worked examples of the completion layer, as tables of (words, query,
// expected answer): case modes, the ranking model, apostrophes, Unicode, the
// typo fallback, the longest and unique completion, origins and counts;
// and queries from several threads at once answering as they do alone.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "completion/CompletionStore.h"
#include "completion/WordPairs.h"
#include "completion/internal/StoreState.h"

using rorirer::CaseMode;
using rorirer::Completion;
using rorirer::CompletionStore;
using rorirer::Query;
using rorirer::SortOrder;

namespace {

std::vector<std::string> texts(const Completion& c) {
    std::vector<std::string> out;
    for (const auto& candidate : c.candidates) out.push_back(candidate.text);
    return out;
}

CompletionStore storeOf(const std::vector<std::string>& words, long minLength = 1) {
    CompletionStore store(minLength);
    for (const std::string& w : words) store.addDictionaryWord(w);
    return store;
}

Completion ask(const CompletionStore& store, const std::string& prefix, CaseMode mode,
               SortOrder order = SortOrder::kRank, bool skip = false) {
    Query q;
    q.prefix = prefix;
    q.style.caseMode = mode;
    q.style.sortOrder = order;
    q.style.skipPrefixWord = skip;
    q.wantCount = true;
    return store.complete(q);
}

struct Row {
    std::vector<std::string> words;
    std::string prefix;
    CaseMode mode;
    std::vector<std::string> expected;  // candidate texts, in order
};

TEST(CompletionExamples, CaseModesRenderAndOrderCandidates) {
    const std::vector<Row> rows = {
        // infer: the typed part as typed, the rest as stored; shorter first,
        // then byte order.
        {{"hello", "help", "helen"}, "Hel", CaseMode::kInfer, {"Help", "Helen", "Hello"}},
        {{"hippopotamus", "hippo"}, "HIPPO", CaseMode::kInfer, {"HIPPO", "HIPPOPOTAMUS"}},
        // One capital is not "all capitals".
        {{"hippopotamus"}, "Hi", CaseMode::kInfer, {"Hippopotamus"}},
        // Words that render the same come once, the case-agreeing one first.
        {{"Hello", "hello"}, "hel", CaseMode::kInfer, {"hello"}},
        {{"Hello", "hello", "HELLO"}, "HEL", CaseMode::kInfer, {"HELLO"}},
        // ignore shows the stored word; the case-agreeing one ranks first.
        {{"Hello", "hello"}, "hel", CaseMode::kIgnore, {"hello", "Hello"}},
        {{"Hello", "hello"}, "Hel", CaseMode::kIgnore, {"Hello", "hello"}},
        // smart: case-sensitive once the prefix holds a capital.
        {{"Hello", "hello"}, "hel", CaseMode::kSmart, {"hello", "Hello"}},
        {{"Hello", "hello"}, "Hel", CaseMode::kSmart, {"Hello"}},
        // exact: the bytes as they are. No typo fallback either: the prefix
        // matches after folding.
        {{"Hello", "hello"}, "Hel", CaseMode::kExact, {"Hello"}},
        {{"hello"}, "Hell", CaseMode::kExact, {}},
        // Apostrophes match each other; the stored word keeps its own.
        {{"doesn’t"}, "doesn'", CaseMode::kInfer, {"doesn't"}},
        {{"doesn't"}, "doesn’", CaseMode::kIgnore, {"doesn't"}},
        {{"doesn't"}, "doesn’", CaseMode::kExact, {}},
        // Turkish: İ folds to i, I to i, dotless ı only to itself.
        {{"istanbul", "ılık"}, "İs", CaseMode::kIgnore, {"istanbul"}},
        {{"istanbul", "ılık"}, "I", CaseMode::kIgnore, {"istanbul"}},
        {{"istanbul", "ılık"}, "ı", CaseMode::kIgnore, {"ılık"}},
        // German: ß folds to itself; utf8proc's capital of it is ẞ (U+1E9E).
        {{"straße"}, "STRA", CaseMode::kInfer, {"STRAẞE"}},
        {{"STRAẞE"}, "straß", CaseMode::kIgnore, {"STRAẞE"}},
        // Greek and Cyrillic fold by their own case pairs.
        {{"αλφάβητο"}, "ΑΛ", CaseMode::kInfer, {"ΑΛΦΆΒΗΤΟ"}},
        {{"москва"}, "Мос", CaseMode::kInfer, {"Москва"}},
        // Text typed in NFD finds words stored in NFC.
        {{"café"}, "cafe\xCC\x81", CaseMode::kExact, {"café"}},
        // Bytes that are not UTF-8 match exactly and are never case-mapped.
        {{"caf\xE9s", "CAF\xC9S"}, "caf\xE9", CaseMode::kIgnore, {"caf\xE9s"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.prefix);
        const CompletionStore store = storeOf(row.words);
        EXPECT_EQ(texts(ask(store, row.prefix, row.mode)), row.expected);
        EXPECT_EQ(rorirer::StoreInspection::checkConsistency(store), "");
    }
}

TEST(CompletionExamples, TheRankingModelWorked) {
    // The factors are set here so that the examples do not hang on the
    // fitted defaults: a capital typed within a sentence weighs lower-case
    // words a twentieth; a stored capital typed small, a tenth.
    rorirer::RankingModel model;
    model.capitalAtSentenceStart = 1;
    model.capitalInSentence = 0.05;
    model.capitalStored = 0.1;
    model.floor = 0.5;
    model.recent = 20000;
    model.recentDecay = 0.8;
    model.nearby = 20000;
    model.nearbyDecay = 0.7;
    model.pair = 200000;
    model.pairPrior = 1;
    auto frequencies = std::make_shared<rorirer::WordFrequencies>();
    frequencies->addLines("help\t1000\nhello\t500\nhelium\t20\nHelsinki\t100\n");
    CompletionStore store(1);
    store.setRankingModel(model);
    store.setFrequencies(frequencies);
    for (const char* w : {"help", "hello", "helium", "Helsinki", "helix"})
        store.addDictionaryWord(w);

    Query q;
    q.style.caseMode = CaseMode::kInfer;
    const auto answer = [&](const char* prefix) {
        q.prefix = prefix;
        return texts(store.complete(q));
    };
    // The corpus's counts; the name typed small is a tenth of its own; a
    // word the counts lack has the floor and ranks last.
    EXPECT_EQ(answer("hel"),
              (std::vector<std::string>{"help", "hello", "helium", "helsinki", "helix"}));
    // A sentence's first word is capitalised: the capital asks for no name.
    EXPECT_EQ(answer("Hel"),
              (std::vector<std::string>{"Help", "Hello", "Helsinki", "Helium", "Helix"}));
    // Within a sentence it does: the name passes the commoner words.
    q.context.sentenceStart = false;
    q.context.previous = "in";
    EXPECT_EQ(answer("Hel"),
              (std::vector<std::string>{"Helsinki", "Help", "Hello", "Helium", "Helix"}));
    // All capitals give all capitals, ranked as typed small.
    EXPECT_EQ(answer("HEL"),
              (std::vector<std::string>{"HELP", "HELLO", "HELSINKI", "HELIUM", "HELIX"}));
    // A word used lately passes commoner ones, the latest first.
    store.touchWord("helium");
    store.touchWord("helix");
    EXPECT_EQ(answer("hel"),
              (std::vector<std::string>{"helix", "helium", "help", "hello", "helsinki"}));
    // A word seen after the previous word passes them all.
    rorirer::WordPairs pairs;
    pairs.add("in", "hello");
    pairs.add("in", "hello");
    pairs.add("on", "help");
    q.context.pairs = &pairs;
    EXPECT_EQ(answer("hel")[0], "hello");
    q.context.previous = "on";
    EXPECT_EQ(answer("hel")[0], "help");
    // The host's nearest words too, the nearest first.
    const std::vector<std::string> preferred = {"hello", "help"};
    q.context.pairs = nullptr;
    q.preferred = &preferred;
    EXPECT_EQ(answer("hel"),
              (std::vector<std::string>{"hello", "helix", "helium", "help", "helsinki"}));
    q.preferred = nullptr;
    // kAlpha: byte order of the stored words, nothing else.
    q.style.sortOrder = SortOrder::kAlpha;
    EXPECT_EQ(answer("hel"),
              (std::vector<std::string>{"helsinki", "helium", "helix", "hello", "help"}));
    // The limit, and whether more exist.
    q.style.limit = 2;
    q.prefix = "hel";
    const Completion two = store.complete(q);
    EXPECT_EQ(two.candidates.size(), 2u);
    EXPECT_TRUE(two.more);
    q.style.limit = 5;
    EXPECT_FALSE(store.complete(q).more);
    EXPECT_EQ(rorirer::StoreInspection::checkConsistency(store), "");
}

TEST(CompletionExamples, TheExampleOfTheDocumentation) {
    CompletionStore words;
    words.addDictionaryWord("hippopotamus");
    words.addDictionaryWord("hippocampus", 120);
    words.addTextWord("Hippolyta");
    words.learnWord("hippogriff");
    Query query;
    query.prefix = "HIPPO";
    const Completion answer = words.complete(query);
    EXPECT_EQ(texts(answer),
              (std::vector<std::string>{"HIPPOGRIFF", "HIPPOCAMPUS", "HIPPOLYTA", "HIPPOPOTAMUS"}));
    EXPECT_EQ(answer.longest, "HIPPO");
    EXPECT_FALSE(answer.unique.has_value());
}

TEST(CompletionExamples, LongestAndUniqueCompletion) {
    struct Case {
        std::vector<std::string> words;
        std::string prefix;
        CaseMode mode;
        bool skip;
        std::string longest;
        std::string unique;  // "-" for none
    };
    const std::vector<Case> cases = {
        // Never inside a code point or a grapheme cluster.
        {{"café", "cafè"}, "c", CaseMode::kExact, false, "caf", "-"},
        {{"cafe\xCC\x81s", "cafe\xCC\x82s"}, "c", CaseMode::kExact, false, "caf", "-"},
        {{"xq\xCC\x81"
          "a",
          "xq\xCC\x82"
          "b"},
         "x",
         CaseMode::kExact,
         false,
         "x",
         "-"},
        // Latin-1 bytes are characters of their own.
        {{"caf\xE9s", "caf\xE9t"}, "c", CaseMode::kExact, false, "caf\xE9", "-"},
        {{"zoology", "zoology's"}, "zoology", CaseMode::kExact, false, "zoology", "-"},
        {{"zoology", "zoology's"}, "zoology", CaseMode::kExact, true, "zoology's", "zoology's"},
        {{"zoology", "zoology's", "zoologys"}, "zoology", CaseMode::kExact, true, "zoology", "-"},
        // Under infer the renderings merge: one distinct text is unique.
        {{"Hello", "hello"}, "hel", CaseMode::kInfer, false, "hello", "hello"},
        {{"hello", "HELLO", "helLO"}, "HE", CaseMode::kInfer, false, "HELLO", "HELLO"},
        // Under ignore two stored spellings are two candidates.
        {{"Hello", "hello"}, "hel", CaseMode::kIgnore, false, "hel", "-"},
        {{"Hello", "helping"}, "hel", CaseMode::kIgnore, false, "hel", "-"},
        // Nothing matches: the prefix itself.
        {{"hello"}, "xy", CaseMode::kInfer, false, "xy", "-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prefix + " over " + c.words.front());
        const CompletionStore store = storeOf(c.words);
        const Completion answer = ask(store, c.prefix, c.mode, SortOrder::kRank, c.skip);
        EXPECT_EQ(answer.longest, c.longest);
        EXPECT_EQ(answer.unique.value_or("-"), c.unique);
    }
}

TEST(CompletionExamples, BytesThatAreNotUtf8StandAlone) {
    // "\xE2\x80" begins a sequence that "\x80" would end (U+2000): in
    // "k\xE2\x80b" its bytes are characters of their own. Once the word
    // that completes it does not count, the rest agree on those bytes.
    CompletionStore store(1);
    store.addDocumentOccurrences("k\xE2\x80\x80");
    store.addDictionaryWord(
        "k\xE2\x80"
        "b");
    Query q;
    q.prefix = "k";
    q.style.caseMode = CaseMode::kExact;
    Completion answer = store.complete(q);
    EXPECT_EQ(answer.longest, "k");
    EXPECT_FALSE(answer.unique.has_value());
    q.discounted = "k\xE2\x80\x80";
    answer = store.complete(q);
    EXPECT_EQ(answer.longest,
              "k\xE2\x80"
              "b");
    EXPECT_EQ(answer.unique.value_or("-"),
              "k\xE2\x80"
              "b");
    EXPECT_EQ(texts(answer), (std::vector<std::string>{"k\xE2\x80"
                                                       "b"}));
    // Latin-1 words keep their bytes and are matched byte for byte.
    const CompletionStore latin = storeOf({"caf\xE9", "caf\xE9s", "na\xEFve"});
    EXPECT_EQ(texts(ask(latin, "CAF\xE9", CaseMode::kInfer)),
              (std::vector<std::string>{"CAF\xE9", "CAF\xE9S"}));
    EXPECT_EQ(texts(ask(latin, "na\xEF", CaseMode::kIgnore)),
              (std::vector<std::string>{"na\xEFve"}));
}

TEST(CompletionExamples, TypoFallback) {
    const CompletionStore store =
        storeOf({"hippopotamus", "hippocampus", "hiccup", "example", "examples"});
    struct Case {
        std::string prefix;
        std::vector<std::string> expected;
        bool fuzzy;
    };
    const std::vector<Case> cases = {
        {"hipop", {"hippocampus", "hippopotamus"}, true},  // one letter left out
        {"hpipo", {"hippocampus", "hippopotamus"}, true},  // two swapped
        {"exmaple", {"example", "examples"}, true},
        {"HIPOP", {"HIPPOCAMPUS", "HIPPOPOTAMUS"}, true},  // capitals under infer
        {"hip", {"hippocampus", "hippopotamus"}, false},   // a match: no fallback
        {"hxp", {}, false},                                // too short for it
        {"zzzzz", {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prefix);
        const Completion answer = ask(store, c.prefix, CaseMode::kInfer);
        EXPECT_EQ(texts(answer), c.expected);
        EXPECT_EQ(answer.fuzzy, c.fuzzy);
        for (const auto& candidate : answer.candidates) EXPECT_EQ(candidate.fuzzy, c.fuzzy);
    }
}

TEST(CompletionExamples, OriginsCountsAndDocuments) {
    CompletionStore store(3);
    EXPECT_TRUE(store.addDictionaryWord("the", 1000));
    EXPECT_TRUE(store.addTextWord("then", 2));
    EXPECT_TRUE(store.addDocumentOccurrences("theirs", 2));
    EXPECT_FALSE(store.addDictionaryWord("th"));  // shorter than the minimum
    EXPECT_TRUE(store.contains("theirs"));
    EXPECT_EQ(store.lookUp("the")->count, 1000u);

    // The word under the cursor does not offer itself for one occurrence.
    Query q;
    q.prefix = "thei";
    q.discounted = "theirs";
    q.style.fuzzy = false;
    EXPECT_EQ(texts(store.complete(q)), (std::vector<std::string>{"theirs"}));
    EXPECT_TRUE(store.removeDocumentOccurrences("theirs"));
    EXPECT_TRUE(store.complete(q).candidates.empty());
    EXPECT_FALSE(store.complete(q).anyMatch);
    // The last document occurrence takes the word away.
    EXPECT_TRUE(store.removeDocumentOccurrences("theirs"));
    EXPECT_FALSE(store.contains("theirs"));
    EXPECT_FALSE(store.removeDocumentOccurrences("then"));
    // A word with another origin stays.
    EXPECT_TRUE(store.addDocumentOccurrences("then"));
    EXPECT_TRUE(store.removeDocumentOccurrences("then"));
    EXPECT_TRUE(store.contains("then"));
    EXPECT_TRUE(store.forgetWord("then"));
    EXPECT_FALSE(store.contains("then"));
    EXPECT_EQ(rorirer::StoreInspection::checkConsistency(store), "");
}

// Words a personal list kept from earlier runs come in through addWords as
// permanent but unused; only learnWord (and touchWord) mark a word as used in
// this run, which ranks it first.
TEST(CompletionExamples, PersonalWordsInBulkAreNotRecent) {
    CompletionStore store(3);
    store.addDictionaryWord("helium", 50);
    EXPECT_EQ(
        store.addWords({{"heliport", 0}, {"helix", 7}, {"helium", 0}}, rorirer::Origin::kPersonal),
        2u);
    for (const char* word : {"heliport", "helix", "helium"}) {
        SCOPED_TRACE(word);
        ASSERT_TRUE(store.lookUp(word).has_value());
        EXPECT_TRUE(rorirer::hasOrigin(store.lookUp(word)->origins, rorirer::Origin::kPersonal));
        EXPECT_FALSE(store.lookUp(word)->recent);
    }
    // A count given with a personal word is no frequency.
    EXPECT_EQ(store.lookUp("helix")->count, 0u);
    EXPECT_EQ(texts(ask(store, "hel", CaseMode::kInfer)),
              (std::vector<std::string>{"helium", "helix", "heliport"}));
    EXPECT_TRUE(store.learnWord("heliport"));
    EXPECT_TRUE(store.lookUp("heliport")->recent);
    EXPECT_EQ(texts(ask(store, "hel", CaseMode::kInfer)),
              (std::vector<std::string>{"heliport", "helium", "helix"}));
    EXPECT_EQ(rorirer::StoreInspection::checkConsistency(store), "");
}

// A list handed over whole, its words pointing into its bytes, stores what
// the same words given one by one store, whatever its size: a short list's
// bytes live inside its string, which must not move under the words.
TEST(CompletionExamples, AListHandedOverWholeStoresItsWordsAtAnySize) {
    const std::vector<std::string> all = {"helix",      "helium",  "hello",  "heliport", "helmet",
                                          "helicopter", "helpful", "helped", "helper"};
    for (std::size_t n = 1; n <= all.size(); ++n) {
        SCOPED_TRACE(n);
        CompletionStore::WordList list;
        for (std::size_t i = 0; i < n; ++i) list.bytes += all[i] + "\n";
        for (std::size_t at = 0, i = 0; i < n; ++i) {
            list.words.push_back({std::string_view(list.bytes).substr(at, all[i].size()), i});
            at += all[i].size() + 1;
        }
        CompletionStore handed(5);
        CompletionStore oneByOne(5);
        handed.addWords(std::move(list), rorirer::Origin::kDictionary);
        for (std::size_t i = 0; i < n; ++i) oneByOne.addDictionaryWord(all[i], i);
        // Used up in place, as addWords promises of a list handed over.
        EXPECT_TRUE(list.words.empty() && list.bytes.empty());  // NOLINT(bugprone-use-after-move)
        EXPECT_EQ(texts(ask(handed, "hel", CaseMode::kExact)),
                  texts(ask(oneByOne, "hel", CaseMode::kExact)));
        EXPECT_EQ(rorirer::StoreInspection::checkConsistency(handed), "");
    }
}

TEST(CompletionExamples, QueriesFromSeveralThreadsAtOnceAnswerAsAlone) {
    std::vector<std::string> words;
    for (int i = 0; i < 5000; ++i) {
        const std::string word = "w" + std::to_string(i * 7919 % 100000);
        words.push_back(i % 3 == 0 ? "W" + word.substr(1) : word);
    }
    words.insert(words.end(), {"caf\xC3\xA9", "doesn't", "doesn\xE2\x80\x99t", "\xE4\xB8\xAD"});
    const CompletionStore store = storeOf(words);
    const std::vector<std::string> prefixes = {"w", "W1", "w12", "w9x12", "caf", "doesn'", "W"};
    std::vector<Completion> alone;
    alone.reserve(prefixes.size());
    for (const std::string& p : prefixes) alone.push_back(ask(store, p, CaseMode::kInfer));
    std::atomic<int> differing{0};
    constexpr int kThreads = 4;
    std::vector<std::thread> threads;
    threads.reserve(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int round = 0; round < 40; ++round) {
                for (std::size_t i = 0; i < prefixes.size(); ++i) {
                    const Completion c = ask(store, prefixes[i], CaseMode::kInfer);
                    if (texts(c) != texts(alone[i]) || c.longest != alone[i].longest ||
                        c.count != alone[i].count || c.fuzzy != alone[i].fuzzy)
                        ++differing;
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(differing.load(), 0);
    EXPECT_TRUE(alone[3].fuzzy);
}

}  // namespace
