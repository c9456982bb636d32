// Times LinkedTrie against std::set<std::string>, libdatrie and marisa-trie
// in one process, on the same shuffled word lists, after checking that every
// store gives the same answers to every question.
//
//   WordStoreBench [--american=FILE] [--insane=FILE] [--scale=N,N,...]
//                  [--smoke | --long-word-only] [benchmark flags...]
//
// Benchmarks are named operation/store/list. Each reports items_per_second
// for its items (words built, probes tested, entries listed, prefixes
// completed, words removed or destroyed); build also reports the allocator's
// bytes per word.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "HeapUse.h"
#include "Peers.h"
#include "Workload.h"

namespace {

// Bytes the allocator holds for the program, its own overhead included.
size_t heapInUse() {
    const long long bytes = rorirer::heapBytesInUse();
    return bytes > 0 ? static_cast<size_t>(bytes) : 0;
}

std::map<std::string, double> g_bytesPerWord;  // "store/list"

bool g_agree = true;

template <typename Peer>
void expectSame(const char* what, const std::string& query, const Workload& w, bool same) {
    if (same) return;
    if (g_agree) {
        std::fprintf(stderr, "DISAGREEMENT on %s: %s and std::set differ on %s \"%s\"\n",
                     w.name.c_str(), Peer::name(), what, query.c_str());
    }
    g_agree = false;
}

// Asks `Peer` and std::set every question of the workload and compares the
// answers. Measures the peer's memory on the way.
template <typename Peer>
void checkAgainstSet(const Workload& w, StdSetPeer& set) {
    if (w.words.size() > Peer::kMaxWords) return;
    Peer peer;
    const size_t before = heapInUse();
    buildPeer(peer, w.words);
    g_bytesPerWord[std::string(Peer::name()) + "/" + w.name] =
        static_cast<double>(heapInUse() - before) / static_cast<double>(w.words.size());

    for (const std::string& probe : w.probes) {
        expectSame<Peer>("membership of", probe, w, peer.contains(probe) == set.contains(probe));
    }
    for (const std::string& prefix : w.listed) {
        peer.list(prefix);
        set.list(prefix);
        WordList mine = peer.lastListing();
        const WordList theirs = set.lastListing();
        // LinkedTrie promises byte-wise order; the other tries are compared
        // as sets of words.
        if (!Peer::kListsInOrder) std::sort(mine.begin(), mine.end());
        expectSame<Peer>("the completions of", prefix, w, mine == theirs);
    }
    for (const std::string& prefix : w.completed) {
        bool a = peer.longest(prefix);
        bool b = set.longest(prefix);
        expectSame<Peer>("the longest completion of", prefix, w,
                         a == b && peer.lastText() == set.lastText());
        a = peer.unique(prefix);
        b = set.unique(prefix);
        expectSame<Peer>("the unique completion of", prefix, w,
                         a == b && peer.lastText() == set.lastText());
    }
    if (Peer::kCanRemove) {
        StdSetPeer halved;
        buildPeer(halved, w.words);
        for (const std::string& word : w.removed) {
            expectSame<Peer>("removing", word, w, peer.remove(word) == halved.remove(word));
        }
        for (const std::string& probe : w.probes) {
            expectSame<Peer>("membership after removal of", probe, w,
                             peer.contains(probe) == halved.contains(probe));
        }
    }
    peer.destroy();
}

// Iterations for the operations whose every run needs a fresh store built
// outside the timing: enough to smooth the noise, few enough to finish.
// A peer whose build is slow gets one run on large lists.
benchmark::IterationCount rebuildIterations(size_t words, bool slowBuild = false) {
    if (slowBuild && words > 50'000) return 1;
    return static_cast<benchmark::IterationCount>(std::clamp<size_t>(1'000'000 / words, 3, 30));
}

template <typename Peer>
void registerPeer(const Workload& w) {
    if (w.words.size() > Peer::kMaxWords) return;
    const std::string tail = std::string("/") + Peer::name() + "/" + w.name;
    const auto items = [](benchmark::State& state, size_t n) {
        state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
    };
    const std::string memoryKey = std::string(Peer::name()) + "/" + w.name;
    benchmark::RegisterBenchmark(("build" + tail).c_str(), [&w, items,
                                                            memoryKey](benchmark::State& state) {
        Peer peer;
        for (auto _ : state) {
            buildPeer(peer, w.words);
            state.PauseTiming();
            peer.destroy();
            state.ResumeTiming();
        }
        items(state, w.words.size());
        state.counters["bytes_per_word"] = g_bytesPerWord[memoryKey];
    })->Iterations(rebuildIterations(w.words.size(), Peer::kMaxWords != SIZE_MAX));

    benchmark::RegisterBenchmark(("membership" + tail).c_str(),
                                 [&w, items](benchmark::State& state) {
                                     Peer peer;
                                     buildPeer(peer, w.words);
                                     for (auto _ : state) {
                                         size_t hits = 0;
                                         for (const std::string& probe : w.probes)
                                             hits += peer.contains(probe);
                                         benchmark::DoNotOptimize(hits);
                                     }
                                     items(state, w.probes.size());
                                 });

    benchmark::RegisterBenchmark(("listing" + tail).c_str(), [&w, items](benchmark::State& state) {
        Peer peer;
        buildPeer(peer, w.words);
        for (auto _ : state) {
            size_t listed = 0;
            for (const std::string& prefix : w.listed) listed += peer.list(prefix);
            benchmark::DoNotOptimize(listed);
        }
        items(state, w.listedWords);
    });

    benchmark::RegisterBenchmark(("completion" + tail).c_str(),
                                 [&w, items](benchmark::State& state) {
                                     Peer peer;
                                     buildPeer(peer, w.words);
                                     for (auto _ : state) {
                                         size_t found = 0;
                                         for (const std::string& prefix : w.completed) {
                                             found += peer.longest(prefix);
                                             found += peer.unique(prefix);
                                         }
                                         benchmark::DoNotOptimize(found);
                                     }
                                     items(state, 2 * w.completed.size());
                                 });

    if (Peer::kCanRemove) {
        benchmark::RegisterBenchmark(("removal" + tail).c_str(), [&w,
                                                                  items](benchmark::State& state) {
            Peer peer;
            for (auto _ : state) {
                state.PauseTiming();
                buildPeer(peer, w.words);
                state.ResumeTiming();
                size_t removed = 0;
                for (const std::string& word : w.removed) removed += peer.remove(word);
                benchmark::DoNotOptimize(removed);
                state.PauseTiming();
                peer.destroy();
                state.ResumeTiming();
            }
            items(state, w.removed.size());
        })->Iterations(rebuildIterations(w.words.size(), Peer::kMaxWords != SIZE_MAX));
    }

    benchmark::RegisterBenchmark(("destruction" + tail).c_str(), [&w,
                                                                  items](benchmark::State& state) {
        Peer peer;
        for (auto _ : state) {
            state.PauseTiming();
            buildPeer(peer, w.words);
            state.ResumeTiming();
            peer.destroy();
        }
        items(state, w.words.size());
    })->Iterations(rebuildIterations(w.words.size(), Peer::kMaxWords != SIZE_MAX));
}

// Checks every store against std::set on `w`, then registers its benchmarks,
// std::set first so each operation's peers run side by side.
void addWorkload(const Workload& w) {
    StdSetPeer set;
    buildPeer(set, w.words);
    checkAgainstSet<LinkedTriePeer>(w, set);
    checkAgainstSet<CopiedLinkedTriePeer>(w, set);
#ifdef RORIRER_BENCH_DATRIE
    checkAgainstSet<DatriePeer>(w, set);
#endif
#ifdef RORIRER_BENCH_MARISA
    checkAgainstSet<MarisaPeer>(w, set);
#endif
    checkAgainstSet<StdSetPeer>(w, set);
    set.destroy();
    std::fprintf(stderr, "%s: %zu words, answers %s\n", w.name.c_str(), w.words.size(),
                 g_agree ? "agree" : "DISAGREE");

    registerPeer<StdSetPeer>(w);
    registerPeer<LinkedTriePeer>(w);
    registerPeer<CopiedLinkedTriePeer>(w);
#ifdef RORIRER_BENCH_DATRIE
    registerPeer<DatriePeer>(w);
#endif
#ifdef RORIRER_BENCH_MARISA
    registerPeer<MarisaPeer>(w);
#endif
}

// One word of `length` characters: inserting it, listing it and destroying
// the store must each cost time in proportion to the length.
void registerLongWord(size_t length) {
    static std::vector<std::string> words;
    words.reserve(8);
    std::string word(length, 'a');
    for (size_t i = 0; i < length; i += 7) word[i] = static_cast<char>('a' + i % 26);
    words.push_back(word);
    const std::string& w = words.back();
    const std::string tail = "/LinkedTrie/" + std::to_string(length);
    const auto chars = [length](benchmark::State& state) {
        state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) *
                                static_cast<int64_t>(length));
    };
    benchmark::RegisterBenchmark(("longword-insert" + tail).c_str(),
                                 [&w, chars](benchmark::State& state) {
                                     const CString word(w.c_str());
                                     for (auto _ : state) {
                                         auto* store = new LinkedTrie(1);
                                         store->insertString(word);
                                         state.PauseTiming();
                                         delete store;
                                         state.ResumeTiming();
                                     }
                                     chars(state);
                                 });
    benchmark::RegisterBenchmark(("longword-list" + tail).c_str(),
                                 [&w, chars](benchmark::State& state) {
                                     LinkedTrie store(1);
                                     store.insertString(CString(w.c_str()));
                                     CStringArray out;
                                     const CString prefix(w.substr(0, 3).c_str());
                                     for (auto _ : state) store.getPossibleCompletions(prefix, out);
                                     chars(state);
                                 });
    benchmark::RegisterBenchmark(("longword-destroy" + tail).c_str(),
                                 [&w, chars](benchmark::State& state) {
                                     for (auto _ : state) {
                                         state.PauseTiming();
                                         auto* store = new LinkedTrie(1);
                                         store->insertString(CString(w.c_str()));
                                         state.ResumeTiming();
                                         delete store;
                                     }
                                     chars(state);
                                 });
}

bool takeFlag(const std::string& arg, const char* name, std::string& value) {
    const std::string key = std::string("--") + name + "=";
    if (arg.compare(0, key.size(), key) != 0) return false;
    value = arg.substr(key.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string american = "/usr/share/dict/american-english";
    std::string insane = "/usr/share/dict/american-english-insane";
    std::string scale;
    bool smoke = false;
    bool longWordOnly = false;
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (takeFlag(arg, "american", american) || takeFlag(arg, "insane", insane) ||
            takeFlag(arg, "scale", scale)) {
            continue;
        }
        if (arg == "--smoke") {
            smoke = true;
            continue;
        }
        if (arg == "--long-word-only") {
            longWordOnly = true;
            continue;
        }
        rest.push_back(argv[i]);
    }

    // Workloads live for the whole run: the benchmarks keep references.
    static std::vector<Workload> workloads;
    workloads.reserve(32);
    const WordList americanWords = readWordList(american);
    const WordList insaneWords = readWordList(insane);
    if (longWordOnly) {
        // Only the long-word series below.
    } else if (smoke) {
        if (americanWords.empty()) {
            std::fprintf(stderr, "no word list at %s\n", american.c_str());
            return 2;
        }
        workloads.push_back(makeWorkload("smoke", sampleWords(americanWords, 5000)));
    } else {
        if (!americanWords.empty()) workloads.push_back(makeWorkload("wamerican", americanWords));
        if (!insaneWords.empty()) workloads.push_back(makeWorkload("insane", insaneWords));
        const WordList& base = insaneWords.empty() ? americanWords : insaneWords;
        for (size_t at = 0; at < scale.size();) {
            const size_t comma = std::min(scale.find(',', at), scale.size());
            const size_t n = std::stoul(scale.substr(at, comma - at));
            workloads.push_back(makeWorkload("scale-" + std::to_string(n), sampleWords(base, n)));
            at = comma + 1;
        }
        if (workloads.empty()) {
            std::fprintf(stderr, "no word lists: run bench/setup first\n");
            return 2;
        }
    }
    for (const Workload& w : workloads) addWorkload(w);
    if (!g_agree) return 1;
    if (!smoke) {
        registerLongWord(10'000);
        registerLongWord(1'000'000);
    }

    int count = static_cast<int>(rest.size());
    benchmark::Initialize(&count, rest.data());
    if (benchmark::ReportUnrecognizedArguments(count, rest.data())) return 2;
    benchmark::AddCustomContext("stores",
                                "LinkedTrie LinkedTrie-copied std::set"
#ifdef RORIRER_BENCH_DATRIE
                                " libdatrie"
#endif
#ifdef RORIRER_BENCH_MARISA
                                " marisa-trie"
#endif
    );
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
