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
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "HeapUse.h"
#include "Peers.h"
#include "Workload.h"
#include "completion/internal/SequentialLoader.h"

namespace {

// Bytes the allocator holds for the program, its own overhead included.
size_t heapInUse() {
    const long long bytes = rorirer::heapBytesInUse();
    return bytes > 0 ? static_cast<size_t>(bytes) : 0;
}

std::map<std::string, double> g_bytesPerWord;  // "store/list"
// The node count of the stores that have one, per word: "store/list".
std::map<std::string, double> g_nodesPerWord;

// The words a peer is built from, in the order it takes them: the shuffled
// list, or for a store loaded as a host loads it, the file's order.
template <typename Peer>
const WordList& buildOrder(const Workload& w) {
    return w.words;
}
template <>
const WordList& buildOrder<LoadedLinkedTriePeer>(const Workload& w) {
    return w.inFileOrder;
}
template <>
const WordList& buildOrder<LoadedCopiedLinkedTriePeer>(const Workload& w) {
    return w.inFileOrder;
}

template <typename Peer>
bool takesPart(const Workload& w) {
    return w.words.size() <= Peer::kMaxWords && !buildOrder<Peer>(w).empty();
}

template <typename Peer>
double nodesOf(Peer& peer) {
    if constexpr (std::is_base_of_v<LinkedTriePeer, Peer>) {
        return static_cast<double>(peer.nodeCount());
    } else {
        return -1;
    }
}

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
    if (!takesPart<Peer>(w)) return;
    Peer peer;
    const size_t before = heapInUse();
    buildPeer(peer, buildOrder<Peer>(w));
    const std::string key = std::string(Peer::name()) + "/" + w.name;
    const auto words = static_cast<double>(w.words.size());
    g_bytesPerWord[key] = static_cast<double>(heapInUse() - before) / words;
    if (nodesOf(peer) > 0) g_nodesPerWord[key] = nodesOf(peer) / words;

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
    if (!takesPart<Peer>(w)) return;
    const WordList& order = buildOrder<Peer>(w);
    const std::string tail = std::string("/") + Peer::name() + "/" + w.name;
    const auto items = [](benchmark::State& state, size_t n) {
        state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
    };
    const std::string memoryKey = std::string(Peer::name()) + "/" + w.name;
    benchmark::RegisterBenchmark(("build" + tail).c_str(), [&order, items,
                                                            memoryKey](benchmark::State& state) {
        Peer peer;
        for (auto _ : state) {
            buildPeer(peer, order);
            state.PauseTiming();
            peer.destroy();
            state.ResumeTiming();
        }
        items(state, order.size());
        state.counters["bytes_per_word"] = g_bytesPerWord[memoryKey];
        const auto nodes = g_nodesPerWord.find(memoryKey);
        if (nodes != g_nodesPerWord.end()) state.counters["nodes_per_word"] = nodes->second;
    })->Iterations(rebuildIterations(w.words.size(), Peer::kMaxWords != SIZE_MAX));

    // The queries: a peer built once, then `round` timed, which answers
    // `perRound` queries and returns a sum the compiler must keep.
    const auto registerQueries = [&order, &tail, items](const char* kind, size_t perRound,
                                                        auto round) {
        benchmark::RegisterBenchmark((kind + tail).c_str(),
                                     [&order, items, perRound, round](benchmark::State& state) {
                                         Peer peer;
                                         buildPeer(peer, order);
                                         for (auto _ : state) benchmark::DoNotOptimize(round(peer));
                                         items(state, perRound);
                                     });
    };
    registerQueries("membership", w.probes.size(), [&w](Peer& peer) {
        size_t hits = 0;
        for (const std::string& probe : w.probes) hits += peer.contains(probe);
        return hits;
    });
    registerQueries("listing", w.listedWords, [&w](Peer& peer) {
        size_t listed = 0;
        for (const std::string& prefix : w.listed) listed += peer.list(prefix);
        return listed;
    });
    registerQueries("completion", 2 * w.completed.size(), [&w](Peer& peer) {
        size_t found = 0;
        for (const std::string& prefix : w.completed) {
            found += peer.longest(prefix);
            found += peer.unique(prefix);
        }
        return found;
    });

    if (Peer::kCanRemove) {
        benchmark::RegisterBenchmark(("removal" + tail).c_str(), [&w, &order,
                                                                  items](benchmark::State& state) {
            Peer peer;
            for (auto _ : state) {
                state.PauseTiming();
                buildPeer(peer, order);
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

    benchmark::RegisterBenchmark(("destruction" + tail).c_str(), [&w, &order,
                                                                  items](benchmark::State& state) {
        Peer peer;
        for (auto _ : state) {
            state.PauseTiming();
            buildPeer(peer, order);
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
    checkAgainstSet<LoadedLinkedTriePeer>(w, set);
    checkAgainstSet<LoadedCopiedLinkedTriePeer>(w, set);
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
    registerPeer<LoadedLinkedTriePeer>(w);
    registerPeer<LoadedCopiedLinkedTriePeer>(w);
#ifdef RORIRER_BENCH_DATRIE
    registerPeer<DatriePeer>(w);
#endif
#ifdef RORIRER_BENCH_MARISA
    registerPeer<MarisaPeer>(w);
#endif
}

// The whole file in one read, or empty when it cannot be read.
std::string readFile(const std::string& path) {
    std::string text;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return text;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        std::rewind(file);
        if (size > 0) {
            text.resize(static_cast<size_t>(size));
            text.resize(std::fread(&text[0], 1, text.size(), file));
        }
    }
    std::fclose(file);
    return text;
}

// Calls `take` on each line of `text`, a '\r' before the '\n' dropped.
template <typename Take>
void splitLines(const std::string& text, Take take) {
    const char* at = text.data();
    const char* end = at + text.size();
    while (at < end) {
        const auto* newline = static_cast<const char*>(std::memchr(at, '\n', size_t(end - at)));
        const char* stop = newline != nullptr ? newline : end;
        size_t length = size_t(stop - at);
        if (length > 0 && at[length - 1] == '\r') --length;
        take(at, length);
        at = stop == end ? end : stop + 1;
    }
}

// A host's start-up: the word list file read, split into lines and stored in
// the file's order, by std::set, by LinkedTrie's public insertString, and by
// the completion layer's sequential loader. Each is timed from opening the
// file to the store being ready; its teardown is left out.
void registerLoad(const Workload& w) {
    if (w.file.empty()) return;
    const std::string path = w.file;
    const auto words = static_cast<int64_t>(w.inFileOrder.size());
    const auto finish = [words](benchmark::State& state, size_t stored) {
        state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * words);
        if (static_cast<int64_t>(stored) != words) state.SkipWithError("words lost in loading");
    };
    benchmark::RegisterBenchmark(("load/std::set/" + w.name).c_str(), [path, finish](
                                                                          benchmark::State& state) {
        size_t stored = 0;
        for (auto _ : state) {
            std::set<std::string> set;
            splitLines(readFile(path), [&set](const char* line, size_t length) {
                if (length > 0) set.emplace(line, length);
            });
            stored = set.size();
            state.PauseTiming();
            set = {};
            state.ResumeTiming();
        }
        finish(state, stored);
    })->Iterations(5);
    benchmark::RegisterBenchmark(
        ("load/LinkedTrie/" + w.name).c_str(),
        [path, finish](benchmark::State& state) {
            size_t stored = 0;
            for (auto _ : state) {
                auto store = std::make_unique<LinkedTrie>(1);
                splitLines(readFile(path), [&store](const char* line, size_t length) {
                    store->insertString(CString(line, static_cast<int>(length)));
                });
                stored = static_cast<size_t>(store->getWordCount());
                state.PauseTiming();
                store.reset();
                state.ResumeTiming();
            }
            finish(state, stored);
        })
        ->Iterations(5);
    benchmark::RegisterBenchmark(("load/LinkedTrie-loaded/" + w.name).c_str(),
                                 [path, finish](benchmark::State& state) {
                                     size_t stored = 0;
                                     for (auto _ : state) {
                                         auto store = std::make_unique<rorirer::WordStore>(1);
                                         rorirer::SequentialLoader loader(*store);
                                         const std::string text = readFile(path);
                                         stored = loader.insertLines(text.data(), text.size());
                                         state.PauseTiming();
                                         store.reset();
                                         state.ResumeTiming();
                                     }
                                     finish(state, stored);
                                 })
        ->Iterations(5);
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
        if (!americanWords.empty()) {
            workloads.push_back(makeWorkload("wamerican", americanWords));
            workloads.back().file = american;
            workloads.back().inFileOrder = americanWords;
        }
        if (!insaneWords.empty()) {
            workloads.push_back(makeWorkload("insane", insaneWords));
            workloads.back().file = insane;
            workloads.back().inFileOrder = insaneWords;
        }
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
    for (const Workload& w : workloads) {
        addWorkload(w);
        registerLoad(w);
    }
    if (!g_agree) return 1;
    if (!smoke) {
        registerLongWord(10'000);
        registerLongWord(1'000'000);
    }

    int count = static_cast<int>(rest.size());
    benchmark::Initialize(&count, rest.data());
    if (benchmark::ReportUnrecognizedArguments(count, rest.data())) return 2;
    benchmark::AddCustomContext("stores",
                                "LinkedTrie LinkedTrie-copied LinkedTrie-loaded "
                                "LinkedTrie-loaded-copied std::set"
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
