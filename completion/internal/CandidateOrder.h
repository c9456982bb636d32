// The candidates of a query in its order. With kRank: the words spelled as
// typed first, then the others; within each, the rank index's best-first
// stream merged with the few words whose rank the query itself changes (the
// host's preferred words and the discounted word), which the stream passes
// over. With kAlpha: byte order of the stored words.
#ifndef RORIRER_COMPLETION_INTERNAL_CANDIDATEORDER_H
#define RORIRER_COMPLETION_INTERNAL_CANDIDATEORDER_H

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "completion/Query.h"
#include "completion/internal/QueryPlan.h"
#include "completion/internal/RankedStream.h"

namespace rorirer {

struct StoreState;

// A candidate with everything that ranks it: its score (recency, frequency
// and length, as the index packs them) and its place in the host's list.
struct Ranked {
    std::uint32_t id;
    std::uint64_t score;
    std::uint32_t preferred;  // place in the host's list, or kNotPreferred
    std::string_view word;
    std::uint64_t frequency;
};

inline constexpr std::uint32_t kNotPreferred = 0xFFFFFFFFu;

class CandidateOrder {
public:
    CandidateOrder(const StoreState& s, const Plan& plan, const Query& query,
                   const Discount& discount);
    // False when every candidate has come.
    bool next(Ranked& out);

private:
    struct Group {
        std::unique_ptr<RankedStream> stream;
        std::vector<Ranked> side;
        std::vector<std::uint32_t> sideIds;  // sorted
        std::size_t nextSide = 0;
        Ranked head{};
        bool peeked = false;
    };
    void addSide(std::uint32_t id, std::uint64_t frequency, std::uint32_t preferred);

    const StoreState& s_;
    const Plan& plan_;
    const Discount& discount_;
    bool alpha_;
    std::vector<OrderedStream> ordered_;
    Group groups_[2];
    std::size_t group_ = 0;
};

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_CANDIDATEORDER_H
