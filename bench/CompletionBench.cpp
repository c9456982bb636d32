// The completion layer on the keystrokes of real text: every word of
// Debian's fortunes typed one character at a time against the insane word
// list, the best 20 asked at each keystroke under CaseMode::kInfer; the typo
// fallback on prefixes with one edit; the layer's memory beside the store's;
// and the time to load the list. A naive completer that scans every word
// runs beside it in the same process as the peer, after both are checked to
// give the same answers.
//
//   CompletionBench [--insane=FILE] [--fortunes=DIR] [--keystrokes=N] [--typos=N]
#include <dirent.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "HeapUse.h"
#include "NaiveCompleter.h"
#include "completion/CompletionStore.h"
#include "completion/WordRules.h"
#include "completion/WordSplitter.h"
#include "wordstore/LinkedTrie.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    std::string insane = "/usr/share/dict/american-english-insane";
    std::string fortunes = "/usr/share/games/fortunes";
    std::size_t keystrokes = 200000;
    std::size_t typos = 2000;
    std::size_t peerKeystrokes = 400;
    std::size_t peerTypos = 40;
};

Options parseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto value = [&a](const char* name) -> const char* {
            const std::size_t n = std::strlen(name);
            return a.compare(0, n, name) == 0 ? a.c_str() + n : nullptr;
        };
        if (const char* v = value("--insane=")) {
            o.insane = v;
        } else if (const char* f = value("--fortunes=")) {
            o.fortunes = f;
        } else if (const char* k = value("--keystrokes=")) {
            o.keystrokes = std::strtoul(k, nullptr, 10);
        } else if (const char* t = value("--typos=")) {
            o.typos = std::strtoul(t, nullptr, 10);
        } else {
            std::fprintf(stderr, "CompletionBench: unknown argument %s\n", a.c_str());
            std::exit(2);
        }
    }
    return o;
}

std::vector<std::string> readLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

// The words of every plain fortune file (no .dat or .u8), in name order.
std::vector<std::string> fortuneWords(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (const dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name[0] == '.' || name.find('.') != std::string::npos) continue;
            names.push_back(name);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    const rorirer::WordRules rules;
    std::vector<std::string> words;
    for (const std::string& name : names) {
        std::ifstream in(dir + "/" + name, std::ios::binary);
        if (!in) continue;
        std::stringstream text;
        text << in.rdbuf();
        rorirer::WordSplitter splitter(rules);
        const auto emit = [&words](std::string_view w) { words.emplace_back(w); };
        try {
            splitter.feed(text.str(), emit);
            splitter.finish(emit);
        } catch (const rorirer::WordTooLong&) {
            // An ASCII-art file: what came before the runaway word is kept.
        }
    }
    return words;
}

struct Percentiles {
    double median;
    double p99;
};

Percentiles percentiles(std::vector<double> micros) {
    if (micros.empty()) return {0, 0};
    std::sort(micros.begin(), micros.end());
    const auto at = [&micros](double q) {
        return micros[std::min(micros.size() - 1, static_cast<std::size_t>(q * micros.size()))];
    };
    return {at(0.5), at(0.99)};
}

double microsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

rorirer::Query bestTwenty(const std::string& prefix) {
    rorirer::Query q;
    q.prefix = prefix;
    q.style.caseMode = rorirer::CaseMode::kInfer;
    q.style.limit = 20;
    return q;
}

std::vector<std::string> texts(const rorirer::Completion& c) {
    std::vector<std::string> out;
    for (const auto& candidate : c.candidates) out.push_back(candidate.text);
    return out;
}

// Prefixes of at least five characters with one edit that no stored word
// begins with, even after folding: the typo fallback's work.
std::vector<std::string> typoPrefixes(const std::vector<std::string>& text,
                                      const rorirer::CompletionStore& store, std::size_t wanted) {
    std::mt19937 random(1);
    std::vector<std::string> out;
    for (std::size_t i = 0; i < text.size() * 4 && out.size() < wanted; ++i) {
        const std::string& word = text[random() % text.size()];
        if (word.size() < 6) continue;
        std::string p = word.substr(0, 5 + random() % (word.size() - 5));
        const std::size_t at = 1 + random() % (p.size() - 1);
        switch (random() % 4) {
            case 0:
                p[at] = static_cast<char>('a' + random() % 26);
                break;
            case 1:
                p.erase(at, 1);
                break;
            case 2:
                p.insert(at, 1, static_cast<char>('a' + random() % 26));
                break;
            default:
                std::swap(p[at - 1], p[at]);
                break;
        }
        rorirer::Query q = bestTwenty(p);
        q.style.fuzzy = false;
        q.style.caseMode = rorirer::CaseMode::kIgnore;
        if (p.size() >= 4 && !store.complete(q).anyMatch) out.push_back(p);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    const std::vector<std::string> list = readLines(options.insane);
    if (list.empty()) {
        std::fprintf(stderr, "CompletionBench: no words in %s (bench/setup installs it)\n",
                     options.insane.c_str());
        return 2;
    }
    const std::vector<std::string> text = fortuneWords(options.fortunes);
    if (text.empty()) {
        std::fprintf(stderr, "CompletionBench: no text in %s (bench/setup installs fortunes)\n",
                     options.fortunes.c_str());
        return 2;
    }

    // The store's own heap: the same words in a LinkedTrie, in byte order.
    // Both builds run five times, alternating, each gone before the next,
    // and their medians are compared: one build alone varies with the
    // state of the heap. The trie takes the words as addWords gives them.
    std::vector<std::string> sorted(list);
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    std::vector<rorirer::CompletionStore::WordCount> entries;
    entries.reserve(list.size());
    for (const std::string& w : list) entries.push_back({w, 0});
    std::vector<double> trieTimes;
    std::vector<double> loadTimes;
    long long trieHeap = 0;
    for (int round = 0; round < 5; ++round) {
        {
            const long long before = rorirer::heapBytesInUse();
            const Clock::time_point begin = Clock::now();
            LinkedTrie trie;
            CString buffer;
            buffer.Preallocate(4096);
            for (const std::string& w : sorted) {
                buffer = w.c_str();
                trie.insertString(buffer);
            }
            trieTimes.push_back(microsSince(begin) / 1000);
            trieHeap = rorirer::heapBytesInUse() - before;
        }
        const Clock::time_point begin = Clock::now();
        rorirer::CompletionStore loaded;
        loaded.addWords(entries, rorirer::Origin::kDictionary);
        loadTimes.push_back(microsSince(begin) / 1000);
    }
    std::sort(trieTimes.begin(), trieTimes.end());
    std::sort(loadTimes.begin(), loadTimes.end());
    const double trieMillis = trieTimes[2];
    const double loadMillis = loadTimes[2];
    Clock::time_point start;
    {
        const long long heapBefore = rorirer::heapBytesInUse();
        rorirer::CompletionStore store;
        store.addWords(entries, rorirer::Origin::kDictionary);
        const long long storeHeap = rorirer::heapBytesInUse() - heapBefore;
        const std::size_t extra = store.extraMemoryBytes();

        const NaiveCompleter naive(list, static_cast<std::size_t>(store.minLength()));
        // The first folded query builds the case-variant table, once a process.
        store.complete(bestTwenty("warm"));

        // Agreement first: the same 20 at the first keystrokes, and for
        // every typo prefix the peer is timed on.
        std::vector<std::string> keystrokes;
        for (const std::string& w : text) {
            for (std::size_t n = 1; n <= w.size() && keystrokes.size() < options.keystrokes; ++n) {
                if (n < w.size() && (static_cast<unsigned char>(w[n]) & 0xC0) == 0x80) continue;
                keystrokes.push_back(w.substr(0, n));
            }
            if (keystrokes.size() >= options.keystrokes) break;
        }
        const std::vector<std::string> typos = typoPrefixes(text, store, options.typos);
        int disagreements = 0;
        for (std::size_t i = 0; i < options.peerKeystrokes && i < keystrokes.size(); ++i) {
            rorirer::Query q = bestTwenty(keystrokes[i]);
            q.style.fuzzy = false;
            if (texts(store.complete(q)) != naive.bestTwenty(keystrokes[i])) {
                if (disagreements++ == 0)
                    std::fprintf(stderr, "DISAGREEMENT on \"%s\"\n", keystrokes[i].c_str());
            }
        }
        for (std::size_t i = 0; i < options.peerTypos && i < typos.size(); ++i) {
            if (texts(store.complete(bestTwenty(typos[i]))) !=
                naive.bestTwentyWithinOneEdit(typos[i])) {
                if (disagreements++ == 0)
                    std::fprintf(stderr, "DISAGREEMENT on the typo \"%s\"\n", typos[i].c_str());
            }
        }
        if (disagreements > 0) {
            std::fprintf(stderr, "CompletionBench: %d answers differ from the naive peer's\n",
                         disagreements);
            return 1;
        }

        // Each keystroke twice: the best 20 alone, and as an editor asks,
        // with the typo fallback on for prefixes nothing begins with.
        std::vector<double> storeKeys;
        std::vector<double> storeKeysWithFallback;
        storeKeys.reserve(keystrokes.size());
        storeKeysWithFallback.reserve(keystrokes.size());
        std::size_t shown = 0;
        for (const std::string& k : keystrokes) {
            rorirer::Query q = bestTwenty(k);
            q.style.fuzzy = false;
            start = Clock::now();
            shown += store.complete(q).candidates.size();
            storeKeys.push_back(microsSince(start));
        }
        for (const std::string& k : keystrokes) {
            start = Clock::now();
            shown += store.complete(bestTwenty(k)).candidates.size();
            storeKeysWithFallback.push_back(microsSince(start));
        }
        std::vector<double> storeTypos;
        for (const std::string& t : typos) {
            start = Clock::now();
            shown += store.complete(bestTwenty(t)).candidates.size();
            storeTypos.push_back(microsSince(start));
        }
        std::vector<double> naiveKeys;
        for (std::size_t i = 0; i < options.peerKeystrokes && i < keystrokes.size(); ++i) {
            // Spread over the whole run, not only its first words.
            const std::string& k = keystrokes[i * keystrokes.size() / options.peerKeystrokes];
            start = Clock::now();
            shown += naive.bestTwenty(k).size();
            naiveKeys.push_back(microsSince(start));
        }
        std::vector<double> naiveTypos;
        for (std::size_t i = 0; i < options.peerTypos && i < typos.size(); ++i) {
            start = Clock::now();
            shown += naive.bestTwentyWithinOneEdit(typos[i]).size();
            naiveTypos.push_back(microsSince(start));
        }

        const Percentiles sk = percentiles(storeKeys);
        const Percentiles skf = percentiles(storeKeysWithFallback);
        const Percentiles st = percentiles(storeTypos);
        const Percentiles nk = percentiles(naiveKeys);
        const Percentiles nt = percentiles(naiveTypos);
        std::printf(
            "CompletionBench: %zu words (%s), %zu keystrokes of %zu fortune words, %zu typos\n",
            store.wordCount(), options.insane.c_str(), keystrokes.size(), text.size(),
            typos.size());
        std::printf("(%zu candidates shown in all)\n\n", shown);
        std::printf("| per query | CompletionStore median | p99 | naive scan median | p99 |\n");
        std::printf("|---|---|---|---|---|\n");
        std::printf("| best 20, infer, per keystroke | %.1f us | %.1f us | %.0f us | %.0f us |\n",
                    sk.median, sk.p99, nk.median, nk.p99);
        std::printf("| the same, typo fallback on | %.1f us | %.1f us | | |\n", skf.median,
                    skf.p99);
        std::printf("| typo fallback, best 20 | %.1f us | %.1f us | %.0f us | %.0f us |\n\n",
                    st.median, st.p99, nt.median, nt.p99);
        std::printf("| memory | bytes | per word |\n|---|---|---|\n");
        const double words = static_cast<double>(store.wordCount());
        std::printf("| the store's own heap (LinkedTrie alone) | %lld | %.1f |\n", trieHeap,
                    static_cast<double>(trieHeap) / words);
        std::printf("| the layer beside it (extraMemoryBytes) | %zu | %.1f |\n", extra,
                    static_cast<double>(extra) / words);
        std::printf("| the whole CompletionStore (heap growth) | %lld | %.1f |\n", storeHeap,
                    static_cast<double>(storeHeap) / words);
        std::printf("| layer / store | %.1f%% | |\n\n",
                    100.0 * static_cast<double>(extra) / static_cast<double>(trieHeap));
        std::printf("| build | ms |\n|---|---|\n");
        std::printf("| addWords, the whole list in bulk (median of 5) | %.1f |\n", loadMillis);
        std::printf(
            "| the same words into a LinkedTrie alone, in byte order (median of 5) | %.1f |\n",
            trieMillis);
        std::printf("| the layer's share (the difference) | %.1f |\n", loadMillis - trieMillis);
    }
    return 0;
}
