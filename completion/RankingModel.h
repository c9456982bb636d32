// How a CompletionStore ranks candidates under SortOrder::kRank: by an
// estimate of how likely the writer is to want each word, an interpolation
// of a unigram (a corpus's counts and the word lists' own), a cache of the
// words used in this document and session, and the words that followed the
// previous word before, times a factor for how the word's case meets what
// was typed. docs/completion.md ("Ranking") gives the model and why each
// value is what it is; the defaults were fitted with bench/ksr-fit.
//
// The parts are added up in one unit: occurrences in the frequency list's
// corpus (SUBTLEX-US counts 51 million words), so `document = 32000` says an
// occurrence in an open document weighs as much as 32000 in the corpus.
#ifndef RORIRER_COMPLETION_RANKINGMODEL_H
#define RORIRER_COMPLETION_RANKINGMODEL_H

#include <cstdint>
#include <string>
#include <string_view>

namespace rorirer {

struct RankingModel {
    // ---- The unigram: what a word weighs before anything is typed.
    // Every word has this much, so that words the counts lack still rank
    // by the rest.
    double floor = 1;
    // A word with an apostrophe inside (don't, John's), which the corpus
    // counted in pieces, gets a share of its first piece's count: what the
    // frequencies learned for its last piece (WordFrequencies), or this.
    double contraction = 0.1;
    // Per count of a word list's count column, or occurrence in a text.
    double listCount = 1;
    // A word of the personal list.
    double personal = 200;

    // ---- The cache: this document and this session.
    // Per occurrence in the open documents.
    double document = 32000;
    // The word used last (learned, touched, or finished in a document);
    // each word used since multiplies it by recentDecay. Only the
    // recentWindow words used last take part.
    double recent = 160000;
    double recentDecay = 1;
    std::uint32_t recentWindow = 32;
    // The host's nearest word (Query::preferred); each place further
    // multiplies it by nearbyDecay.
    double nearby = 40000;
    double nearbyDecay = 0.95;

    // ---- The pair: P(word | previous word), from the pairs the host counted,
    // as count(previous, word) / (count(previous) + pairPrior).
    double pair = 3200000;
    double pairPrior = 1;

    // ---- Case, as factors on the whole estimate. Words whose case agrees
    // with what was typed have 1. The first letter typed as a capital where
    // the word has a small letter: at a sentence's start, and within one.
    double capitalAtSentenceStart = 1;
    double capitalInSentence = 0.05;
    // The first letter typed small where the word has a capital (a name).
    double capitalStored = 0.1;
    // Any other difference.
    double otherCase = 0.05;

    // Reads `name=value` settings separated by commas over these values
    // ("document=1500,recentDecay=0.9"). False, with `error` saying why and
    // the model as it was, for an unknown name or a value out of range.
    bool parse(std::string_view settings, std::string& error);
    // Every setting as parse() reads them, in the order above.
    std::string describe() const;
};

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_RANKINGMODEL_H
