// The ranking model (completion/RankingModel.h) in integers, so that every
// way of ranking the same words (the index's best-first walk, the side
// candidates a query re-ranks, a brute-force model of the store) agrees to
// the last bit.
//
// A word's estimate is a mass: corpus occurrences in 256ths, summed from the
// model's parts. Its rank key is floor(log2(mass) * 2^16); a case factor is
// a key added to it (log2(factor) * 2^16, rounded), which keeps the order
// of the words under one stored prefix whatever the factor. A score packs
// the key above the word's length in code points inverted, so that of two
// words with one key the shorter ranks first; equal scores fall to byte
// order.
//
// The rank index keeps each word's static score: the mass of the parts that
// do not depend on the query (the unigram, the personal list, the open
// documents). A query adds to a few words the parts that do (recent use,
// the host's nearby words, the pair) and so can only raise them: they are
// its side candidates.
#ifndef RORIRER_COMPLETION_INTERNAL_SCORE_H
#define RORIRER_COMPLETION_INTERNAL_SCORE_H

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "completion/Query.h"
#include "completion/RankingModel.h"

namespace rorirer {

inline constexpr unsigned kMassFraction = 8;
inline constexpr unsigned kKeyFraction = 16;
inline constexpr unsigned kLengthBits = 12;
inline constexpr std::size_t kMaxRankedLength = (1u << kLengthBits) - 1;
inline constexpr std::uint64_t kMostMass = std::uint64_t{1} << 62;
// Places of the host's nearby words that count.
inline constexpr std::size_t kNearbyPlaces = 64;
// Words after the previous one that count, the commonest that begin with
// the typed word: a common word is followed by thousands, each looked up in
// the store, and those beyond these few add too little to move a word.
inline constexpr std::size_t kPairPlaces = 64;
// Pair counts beyond this are taken as this, so that products stay in 64 bits.
inline constexpr std::uint64_t kMostPairCount = std::uint64_t{1} << 24;

inline std::uint64_t addMass(std::uint64_t a, std::uint64_t b) noexcept {
    return a >= kMostMass - b ? kMostMass : a + b;
}
inline std::uint64_t timesMass(std::uint64_t count, std::uint64_t weight) noexcept {
    if (count == 0 || weight == 0) return 0;
    return weight > kMostMass / count ? kMostMass : count * weight;
}

// The model's numbers as the store uses them.
struct ModelWeights {
    ModelWeights() : ModelWeights(RankingModel()) {}
    explicit ModelWeights(const RankingModel& m)
        : model(m),
          floor(massOf(m.floor)),
          listCount(massOf(m.listCount)),
          personal(massOf(m.personal)),
          document(massOf(m.document)),
          pair(massOf(m.pair)),
          pairPrior(static_cast<std::uint64_t>(std::llround(m.pairPrior))),
          capitalAtSentenceStart(keyOf(m.capitalAtSentenceStart)),
          capitalInSentence(keyOf(m.capitalInSentence)),
          capitalStored(keyOf(m.capitalStored)),
          otherCase(keyOf(m.otherCase)) {
        if (floor == 0) floor = 1;
        recent.reserve(m.recentWindow);
        for (std::uint32_t i = 0; i < m.recentWindow; ++i)
            recent.push_back(massOf(m.recent * std::pow(m.recentDecay, i)));
        nearby.reserve(kNearbyPlaces);
        for (std::size_t i = 0; i < kNearbyPlaces; ++i)
            nearby.push_back(massOf(m.nearby * std::pow(m.nearbyDecay, static_cast<double>(i))));
    }

    static std::uint64_t massOf(double occurrences) noexcept {
        const double mass = std::ldexp(occurrences, kMassFraction);
        return mass >= static_cast<double>(kMostMass)
                   ? kMostMass
                   : static_cast<std::uint64_t>(std::llround(mass));
    }
    static std::int64_t keyOf(double factor) noexcept {
        return std::llround(std::ldexp(std::log2(factor), kKeyFraction));
    }

    RankingModel model;
    std::uint64_t floor;
    std::uint64_t listCount;
    std::uint64_t personal;
    std::uint64_t document;
    std::uint64_t pair;
    std::uint64_t pairPrior;
    std::vector<std::uint64_t> recent;  // by place among the words used last
    std::vector<std::uint64_t> nearby;  // by place in the host's list
    std::int64_t capitalAtSentenceStart;
    std::int64_t capitalInSentence;
    std::int64_t capitalStored;
    std::int64_t otherCase;
};

// What the static score is made of: a word's fields in the word table.
struct WordFields {
    std::uint32_t corpus = 0;     // the corpus's estimate, rounded
    std::uint64_t base = 0;       // count columns and text occurrences
    std::uint64_t documents = 0;  // occurrences in open documents
    Origins origins = 0;
};

// The mass of the parts that do not depend on the query.
inline std::uint64_t staticMass(const WordFields& w, const ModelWeights& m) noexcept {
    std::uint64_t mass = addMass(m.floor, timesMass(w.corpus, std::uint64_t{1} << kMassFraction));
    mass = addMass(mass, timesMass(w.base, m.listCount));
    if (hasOrigin(w.origins, Origin::kPersonal)) mass = addMass(mass, m.personal);
    return addMass(mass, timesMass(w.documents, m.document));
}

// The pair part for a word seen `pairCount` times after a context seen
// `contextCount` times in all.
inline std::uint64_t pairMass(std::uint64_t pairCount, std::uint64_t contextCount,
                              const ModelWeights& m) noexcept {
    if (pairCount == 0) return 0;
    const std::uint64_t context = contextCount < kMostPairCount ? contextCount : kMostPairCount;
    const std::uint64_t pair = pairCount < context ? pairCount : context;
    return timesMass(pair, m.pair) / (context + m.pairPrior);
}

inline std::uint64_t rankKey(std::uint64_t mass) noexcept {
    return static_cast<std::uint64_t>(
        std::floor(std::ldexp(std::log2(static_cast<double>(mass == 0 ? 1 : mass)), kKeyFraction)));
}

// `codePoints` beyond kMaxRankedLength count as kMaxRankedLength.
inline std::uint64_t packScore(std::uint64_t mass, std::size_t codePoints) noexcept {
    const std::uint64_t length = codePoints < kMaxRankedLength ? codePoints : kMaxRankedLength;
    return (rankKey(mass) << kLengthBits) | (kMaxRankedLength - length);
}

// A score with a case key added: what candidates of different stored
// prefixes compare by.
inline std::int64_t withCase(std::uint64_t score, std::int64_t caseKey) noexcept {
    return static_cast<std::int64_t>(score) + caseKey * (std::int64_t{1} << kLengthBits);
}

// A corpus estimate as the word table keeps it.
inline std::uint32_t corpusCount(double estimate) noexcept {
    if (!(estimate > 0)) return 0;
    constexpr double kMost = std::numeric_limits<std::uint32_t>::max();
    return estimate >= kMost ? std::numeric_limits<std::uint32_t>::max()
                             : static_cast<std::uint32_t>(std::llround(estimate));
}

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_SCORE_H
