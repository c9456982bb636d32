#include "Workload.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <set>
#include <unordered_set>

namespace {

constexpr unsigned kSeed = 20240607;

}  // namespace

WordList readWordList(const std::string& path) {
    WordList words;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) words.push_back(line);
    }
    return words;
}

WordList sampleWords(const WordList& base, size_t size) {
    std::unordered_set<std::string> seen(base.begin(), base.end());
    WordList words(seen.begin(), seen.end());
    std::sort(words.begin(), words.end());
    std::mt19937_64 rng(kSeed);
    std::shuffle(words.begin(), words.end(), rng);
    if (words.size() >= size) {
        words.resize(size);
        return words;
    }
    // Suffixes that real vocabularies add: inflections and a digit or two.
    static const char* const kSuffixes[] = {"s", "ed", "er", "ly", "'s", "1", "2", "x", "9z"};
    const size_t original = words.size();
    for (size_t round = 0; words.size() < size && original > 0; ++round) {
        for (size_t i = 0; i < original && words.size() < size; ++i) {
            std::string variant = words[i];
            for (size_t r = round;; r /= std::size(kSuffixes)) {
                variant += kSuffixes[r % std::size(kSuffixes)];
                if (r < std::size(kSuffixes)) break;
            }
            if (seen.insert(variant).second) words.push_back(std::move(variant));
        }
    }
    return words;
}

Workload makeWorkload(std::string name, WordList words) {
    Workload w;
    w.name = std::move(name);
    std::mt19937_64 rng(kSeed);
    std::shuffle(words.begin(), words.end(), rng);
    w.words = std::move(words);

    w.probes = w.words;
    for (const std::string& word : w.words) {
        // A near-miss: the word with one byte changed at a random place, so
        // the walk fails at any depth, or with one byte added at the end.
        std::string miss = word;
        const size_t at = rng() % (miss.size() + 1);
        if (at == miss.size()) {
            miss += 'q';
        } else {
            miss[at] = static_cast<char>(miss[at] == 'z' ? 'a' : miss[at] + 1);
        }
        w.probes.push_back(std::move(miss));
    }
    std::shuffle(w.probes.begin(), w.probes.end(), rng);

    std::set<std::string> prefixes[3];
    for (const std::string& word : w.words) {
        for (size_t n = 1; n <= 3 && n <= word.size(); ++n)
            prefixes[n - 1].insert(word.substr(0, n));
    }
    for (const auto& set : prefixes) w.listed.insert(w.listed.end(), set.begin(), set.end());
    std::shuffle(w.listed.begin(), w.listed.end(), rng);
    w.completed.assign(prefixes[2].begin(), prefixes[2].end());
    std::shuffle(w.completed.begin(), w.completed.end(), rng);
    for (const std::string& word : w.words) w.listedWords += std::min<size_t>(word.size(), 3);

    w.removed.assign(w.words.begin(), w.words.begin() + static_cast<long>(w.words.size() / 2));
    return w;
}
