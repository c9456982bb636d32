// The word lists and the questions asked of every store: the list shuffled
// with a fixed seed, the probes for membership, the prefixes to list and
// complete, and the half to remove.
#ifndef RORIRER_BENCH_WORKLOAD_H
#define RORIRER_BENCH_WORKLOAD_H

#include <cstddef>
#include <string>
#include <vector>

#include "Peers.h"

struct Workload {
    std::string name;
    WordList words;          // distinct, shuffled: the insertion order
    WordList probes;         // every word, then as many near-misses
    WordList listed;         // every distinct 1-, 2- and 3-byte prefix
    WordList completed;      // every distinct 3-byte prefix
    WordList removed;        // the first half of `words`
    size_t listedWords = 0;  // entries that listing every prefix yields
    // For a list read from a file: its path and its words in the file's
    // order, as a host loads them (Debian's lists are sorted by locale).
    // Empty for the sampled lists.
    std::string file;
    WordList inFileOrder;
};

// Reads a list of words, one a line; empty when the file is missing.
WordList readWordList(const std::string& path);

// The first `size` words of `base` after a fixed shuffle; when `base` is
// shorter, it is extended by variants of its words (a suffix of one or two
// bytes), so that larger stores still look like a language's vocabulary.
WordList sampleWords(const WordList& base, size_t size);

// Derives the questions from `words` (which it shuffles with a fixed seed).
Workload makeWorkload(std::string name, WordList words);

#endif  // RORIRER_BENCH_WORKLOAD_H
