// CompletionStore against the plain reference model, over random word sets
// and random queries with Latin diacritics, Greek, Cyrillic, Turkish i's,
// German ß, combining marks typed in NFD, emoji, both apostrophes and bytes
// that are not UTF-8; with insertions, removals, touches, count changes,
// resets and copies interleaved; in every case mode and sort order; under
// random ranking models, corpus counts, word pairs and contexts, so that the
// best-first search is held to scoring every word. Exact mode in byte order
// is also held to the LinkedTrie's own answers.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "ReferenceCompleter.h"
#include "TrieProbe.h"
#include "completion/CompletionStore.h"
#include "completion/WordPairs.h"
#include "completion/internal/StoreState.h"

using rorirer::CaseMode;
using rorirer::CompletionStore;
using rorirer::Origin;
using rorirer::Query;
using rorirer::SortOrder;

namespace {

// Pieces words are made of: characters of several scripts in both cases,
// combining marks, apostrophes, emoji, and bytes that are not UTF-8.
const std::vector<std::string> kPieces = {"a",
                                          "b",
                                          "e",
                                          "i",
                                          "k",
                                          "s",
                                          "A",
                                          "B",
                                          "E",
                                          "I",
                                          "K",
                                          "S",
                                          "ab",
                                          "ba",
                                          "ek",
                                          "é",
                                          "É",
                                          "è",
                                          "e\xCC\x81",
                                          "E\xCC\x81",
                                          "\xCC\x81",
                                          "ß",
                                          "ẞ",
                                          "ss",
                                          "İ",
                                          "ı",
                                          "i\xCC\x87",
                                          "α",
                                          "Α",
                                          "ά",
                                          "Ά",
                                          "β",
                                          "б",
                                          "Б",
                                          "ж",
                                          "Ж",
                                          "'",
                                          "\xE2\x80\x99",
                                          "\xF0\x9F\x98\x80",
                                          "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD",
                                          "\xE9",
                                          "\xC9",
                                          "\xC3",
                                          "\xE2\x80",
                                          "\xFF",
                                          "\x80",
                                          "\xF0\x90",
                                          "_",
                                          "1"};

class Generator {
public:
    explicit Generator(unsigned seed) : random_(seed) {}

    std::size_t below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
    }
    bool chance(double p) { return std::bernoulli_distribution(p)(random_); }

    std::string word() {
        std::string w;
        const std::size_t pieces = 1 + below(5);
        for (std::size_t i = 0; i < pieces; ++i) w += kPieces[below(kPieces.size())];
        return w;
    }

    // Parameters that make every part of the model matter now and then: a
    // window of a few words used last, factors either way.
    rorirer::RankingModel model() {
        rorirer::RankingModel m;
        const double masses[] = {0, 1, 300, 5000, 1e6};
        m.floor = 0.5 + static_cast<double>(below(4));
        m.listCount = masses[below(4)];
        m.personal = masses[below(5)];
        m.document = masses[below(4)];
        m.recent = masses[below(5)];
        m.recentDecay = 0.25 * static_cast<double>(below(5));
        m.recentWindow = static_cast<std::uint32_t>(below(5));
        m.nearby = masses[below(5)];
        m.nearbyDecay = 0.25 * static_cast<double>(below(5));
        m.pair = masses[below(5)];
        m.pairPrior = static_cast<double>(below(3));
        m.contraction = 0.5 * static_cast<double>(below(3));
        const double factors[] = {0.001, 0.1, 1, 3};
        m.capitalAtSentenceStart = factors[below(4)];
        m.capitalInSentence = factors[below(4)];
        m.capitalStored = factors[below(4)];
        m.otherCase = factors[below(4)];
        return m;
    }

    // A prefix of a known word, cut at any byte, its case or spelling
    // changed now and then; or a word of its own.
    std::string prefix(const std::vector<std::string>& known) {
        if (known.empty() || chance(0.1)) return word().substr(0, below(6));
        std::string p = known[below(known.size())];
        p.resize(below(p.size() + 1));
        switch (below(6)) {
            case 0:
                p = reference::upperCased(p);
                break;
            case 1: {
                std::vector<reference::Char> chars = reference::decode(p).chars;
                for (auto& c : chars) c = reference::lower(c);
                p = reference::encode(chars);
                break;
            }
            case 2:
                if (!p.empty()) p.erase(below(p.size()), 1);  // a typo, or a cut sequence
                break;
            case 3:
                if (p.size() > 1) std::swap(p[below(p.size() - 1)], p[p.size() - 1]);
                break;
            default:
                break;
        }
        return p;
    }

private:
    std::mt19937 random_;
};

std::string describe(const rorirer::Candidate& c) {
    return c.text + " [" + c.word + "] " + (c.fuzzy ? "fuzzy " : "") +
           (c.caseAgrees ? "agrees " : "") + std::to_string(c.origins) + " " +
           std::to_string(c.count);
}

void expectSameAnswer(const CompletionStore& store, const reference::Completer& model,
                      const Query& q, const std::string& context) {
    const rorirer::Completion got = store.complete(q);
    const reference::Answer want = model.answer(q);
    SCOPED_TRACE(context + " prefix \"" + std::string(q.prefix) + "\" mode " +
                 std::to_string(static_cast<int>(q.style.caseMode)) + " alpha " +
                 std::to_string(q.style.sortOrder == SortOrder::kAlpha) + " skip " +
                 std::to_string(q.style.skipPrefixWord) + " limit " +
                 std::to_string(q.style.limit) + " discounted \"" + std::string(q.discounted) +
                 "\" previous \"" + std::string(q.context.previous) + "\" start " +
                 std::to_string(q.context.sentenceStart) + " pairs " +
                 std::to_string(q.context.pairs != nullptr));
    std::vector<std::string> gotList;
    std::vector<std::string> wantList;
    for (const auto& c : got.candidates) gotList.push_back(describe(c));
    for (const auto& c : want.candidates) wantList.push_back(describe(c));
    EXPECT_EQ(gotList, wantList);
    EXPECT_EQ(got.more, want.more);
    EXPECT_EQ(got.anyMatch, want.anyMatch);
    EXPECT_EQ(got.fuzzy, want.fuzzy);
    if (q.wantLongest) {
        EXPECT_EQ(got.longest, want.longest);
        EXPECT_EQ(got.unique.value_or("<none>"), want.unique.value_or("<none>"));
    } else {
        EXPECT_EQ(got.longest,
                  reference::nfc(std::string(q.prefix.substr(0, q.prefix.find('\0')))));
        EXPECT_FALSE(got.unique.has_value());
    }
    if (q.wantCount) {
        ASSERT_TRUE(got.count.has_value());
        EXPECT_EQ(*got.count, want.count);
    }
}

// Exact mode in byte order answers as the LinkedTrie does, but for the cut
// of the longest completion.
void expectTrieAnswers(const CompletionStore& store, TrieProbe& trie, const std::string& prefix,
                       bool skip) {
    const std::string typed = reference::nfc(prefix.substr(0, prefix.find('\0')));
    Query q;
    q.prefix = typed;
    q.style.caseMode = CaseMode::kExact;
    q.style.sortOrder = SortOrder::kAlpha;
    q.style.skipPrefixWord = skip;
    q.style.fuzzy = false;
    q.style.limit = SIZE_MAX;
    const rorirer::Completion got = store.complete(q);
    CStringArray listed;
    trie.getPossibleCompletions(toC(typed), listed);
    std::vector<std::string> words;
    for (const auto& c : got.candidates) words.push_back(c.word);
    EXPECT_EQ(words, toVector(listed)) << typed;
    CString text;
    const bool unique = trie.getUniqueCompletion(toC(typed), text, skip);
    EXPECT_EQ(got.unique.has_value(), unique) << typed;
    if (unique && got.unique) {
        EXPECT_EQ(*got.unique, toStd(text)) << typed;
    }
    // The store's longest completion, cut back only where it would end
    // inside a character or a grapheme cluster: over ASCII words, not at all.
    CString longest;
    if (trie.getLongestUnambiguousCompletion(toC(typed), longest, skip)) {
        const std::string theirs = toStd(longest);
        EXPECT_EQ(theirs.compare(0, got.longest.size(), got.longest), 0) << typed;
        bool ascii = true;
        for (const std::string& w : words)
            for (const char c : w) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        if (ascii) {
            EXPECT_EQ(got.longest, theirs) << typed;
        }
    } else {
        EXPECT_FALSE(got.anyMatch) << typed;
    }
}

// Corpus counts for some words and their pieces, with contractions learned
// from some words with apostrophes, for the store and the reference alike.
void makeFrequencies(Generator& gen, rorirer::WordFrequencies& store,
                     reference::Frequencies& model) {
    std::vector<std::string> list;
    std::string lines;
    for (int i = 0; i < 60; ++i) {
        std::string w = gen.word();
        if (gen.chance(0.2)) w.resize(gen.below(w.size() + 1));
        const std::uint64_t n = gen.chance(0.1) ? 5000000000ull : gen.below(100000);
        store.add(w, n);
        model.add(w, n);
        if (gen.chance(0.3)) {
            const std::string contraction =
                w + (gen.chance(0.5) ? "'" : "\xE2\x80\x99") + gen.word();
            list.push_back(contraction);
            lines += contraction + "\n";
        }
    }
    for (const char* suffix : {"s", "t", "ll"}) {
        store.add(suffix, 1000);
        model.add(suffix, 1000);
    }
    store.learnContractions(lines);
    model.learnContractions(list);
}

void runSession(unsigned seed, long minLength) {
    Generator gen(seed);
    CompletionStore store(minLength);
    reference::Completer model(minLength);
    TrieProbe trie(minLength);
    std::vector<std::string> known;
    std::vector<std::string> preferred;
    std::set<std::string> inTrie;
    auto frequencies = std::make_shared<rorirer::WordFrequencies>();
    reference::Frequencies modelFrequencies;
    makeFrequencies(gen, *frequencies, modelFrequencies);
    rorirer::WordPairs pairs;
    const auto setModel = [&] {
        const rorirer::RankingModel m = gen.model();
        store.setRankingModel(m);
        model.setModel(m);
    };
    const auto setFrequencies = [&] {
        store.setFrequencies(frequencies);
        model.setFrequencies(&modelFrequencies);
    };
    if (seed % 4 != 0) setModel();
    if (seed % 2 == 0) setFrequencies();

    for (int step = 0; step < 220; ++step) {
        const std::string w =
            known.empty() || gen.chance(0.6) ? gen.word() : known[gen.below(known.size())];
        const std::string stored = model.storedForm(w);
        const std::size_t op = gen.below(20);
        const auto remember = [&](bool stored_now) {
            if (stored_now) known.push_back(w);
        };
        if (op < 6) {
            const std::uint64_t count = gen.chance(0.3) ? gen.below(1000) : 0;
            const bool a = store.addDictionaryWord(w, count);
            EXPECT_EQ(a, model.add(w, Origin::kDictionary, count, 0, false)) << w;
            remember(a);
        } else if (op < 8) {
            const std::uint64_t n = 1 + gen.below(4);
            EXPECT_EQ(store.addTextWord(w, n), model.add(w, Origin::kText, n, 0, false)) << w;
            remember(true);
        } else if (op < 9) {
            EXPECT_EQ(store.learnWord(w), model.add(w, Origin::kPersonal, 0, 0, true)) << w;
            remember(true);
        } else if (op < 11) {
            const auto n = static_cast<std::uint32_t>(1 + gen.below(2));
            EXPECT_EQ(store.addDocumentOccurrences(w, n),
                      model.add(w, Origin::kDocument, 0, n, false))
                << w;
            remember(true);
        } else if (op < 13) {
            const auto n = static_cast<std::uint32_t>(1 + gen.below(2));
            EXPECT_EQ(store.removeDocumentOccurrences(w, n), model.removeDocuments(w, n)) << w;
        } else if (op < 14) {
            EXPECT_EQ(store.forgetWord(w), model.forget(w)) << w;
        } else if (op < 16) {
            EXPECT_EQ(store.touchWord(w), model.touch(w)) << w;
        } else if (op < 17 && gen.chance(0.1)) {
            store.reset();
            model.reset();
        } else if (op < 18) {
            // A copy carries on in place of the store; the old one must be
            // unaffected by later changes to the copy.
            CompletionStore copy(store);
            store = CompletionStore(minLength);
            store = copy;
        } else if (op < 19) {
            // Many words at once, in bulk when the batch is large.
            std::vector<std::string> batch;
            const bool large = seed % 8 == 0 && gen.chance(0.3);
            const std::size_t n = large ? 1100 + gen.below(100) : gen.below(20);
            batch.reserve(n);
            for (std::size_t i = 0; i < n; ++i) batch.push_back(gen.word());
            std::vector<CompletionStore::WordCount> entries;
            entries.reserve(n);
            for (const std::string& b : batch) entries.push_back({b, gen.below(3)});
            // Personal words come from earlier runs: they are not marked as
            // used in this one, as learnWord() marks them.
            const Origin origins[] = {Origin::kDictionary, Origin::kText, Origin::kPersonal,
                                      Origin::kDocument};
            const Origin origin = origins[gen.below(large ? 3 : 4)];
            store.addWords(entries, origin);
            for (const auto& e : entries) {
                const std::uint64_t occurrences = e.count == 0 ? 1 : e.count;
                const std::uint64_t count = origin == Origin::kDictionary ? e.count
                                            : origin == Origin::kText     ? occurrences
                                                                          : 0;
                const auto documents =
                    static_cast<std::uint32_t>(origin == Origin::kDocument ? occurrences : 0);
                if (model.add(std::string(e.word), origin, count, documents, false))
                    known.emplace_back(e.word);
            }
        } else if (gen.chance(0.5)) {
            preferred.clear();
            for (int i = 0; i < 4 && !known.empty(); ++i)
                preferred.push_back(known[gen.below(known.size())]);
        } else if (gen.chance(0.9)) {
            // A pair of known words, or a sentence's first word; taken away
            // now and then.
            const std::string before =
                known.empty() || gen.chance(0.3) ? "" : known[gen.below(known.size())];
            const std::string after = known.empty() ? gen.word() : known[gen.below(known.size())];
            if (gen.chance(0.03)) {
                // A common word: more followers than the model looks at.
                for (const std::string& next : known)
                    pairs.add(before, next, static_cast<std::uint32_t>(1 + gen.below(4)));
            } else if (gen.chance(0.8)) {
                pairs.add(before, after, static_cast<std::uint32_t>(1 + gen.below(3)));
            } else {
                pairs.remove(before, after);
            }
        } else if (gen.chance(0.5)) {
            setModel();
        } else {
            setFrequencies();
        }
        // Keep the plain trie in step for the exact-mode comparison.
        std::set<std::string> now;
        for (const auto& entry : model.words()) now.insert(entry.first);
        for (const std::string& gone : inTrie)
            if (now.count(gone) == 0) trie.removeString(toC(gone));
        for (const std::string& added : now)
            if (inTrie.count(added) == 0) trie.insertString(toC(added));
        inTrie.swap(now);

        if (step % 10 == 0) {
            ASSERT_EQ(rorirer::StoreInspection::checkConsistency(store), "") << "step " << step;
            ASSERT_EQ(store.wordCount(), model.words().size());
        }
        for (int i = 0; i < 6; ++i) {
            const std::string prefix = gen.prefix(known);
            Query q;
            q.prefix = prefix;
            q.style.caseMode = static_cast<CaseMode>(gen.below(4));
            q.style.sortOrder = gen.chance(0.25) ? SortOrder::kAlpha : SortOrder::kRank;
            q.style.skipPrefixWord = gen.chance(0.3);
            q.style.fuzzy = gen.chance(0.8);
            q.style.limit = gen.chance(0.5) ? gen.below(6) : 100;
            q.wantCount = true;
            q.wantLongest = gen.chance(0.8);
            q.preferred = gen.chance(0.4) ? &preferred : nullptr;
            const std::string discounted =
                known.empty() || gen.chance(0.6) ? "" : known[gen.below(known.size())];
            q.discounted = discounted;
            const std::string previous =
                known.empty() || gen.chance(0.3) ? "" : known[gen.below(known.size())];
            q.context.previous = previous;
            q.context.sentenceStart = gen.chance(0.4);
            q.context.pairs = gen.chance(0.7) ? &pairs : nullptr;
            // As in a document: the word under the cursor follows the word
            // before it.
            if (!discounted.empty() && gen.chance(0.3))
                pairs.add(q.context.sentenceStart ? "" : previous, discounted);
            expectSameAnswer(store, model, q,
                             "seed " + std::to_string(seed) + " step " + std::to_string(step));
            expectTrieAnswers(store, trie, prefix, gen.chance(0.5));
            if (::testing::Test::HasFailure()) return;
        }
    }
}

// Fewer under the sanitizers, where each session is many times slower (the
// build says how many).
#ifndef RORIRER_DIFFERENTIAL_SESSIONS
#define RORIRER_DIFFERENTIAL_SESSIONS 32
#endif

TEST(CompletionDifferential, AgreesWithTheReferenceModel) {
    for (unsigned seed = 1; seed <= RORIRER_DIFFERENTIAL_SESSIONS; ++seed) {
        runSession(seed, seed % 3 == 0 ? 3 : 1);
        if (::testing::Test::HasFailure()) return;
    }
}

}  // namespace
