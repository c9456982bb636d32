#include "completion/internal/CandidateOrder.h"

#include <algorithm>

#include "completion/Unicode.h"
#include "completion/internal/Score.h"
#include "completion/internal/StoreState.h"

namespace rorirer {
namespace {

bool ranksBefore(const Ranked& a, const Ranked& b) noexcept {
    const std::uint32_t stampA = stampOfScore(a.score);
    const std::uint32_t stampB = stampOfScore(b.score);
    if (stampA != stampB) return stampA > stampB;
    if (a.preferred != b.preferred) return a.preferred < b.preferred;
    constexpr std::uint64_t kBelowStamp = (std::uint64_t{1} << (kCountBits + kLengthBits)) - 1;
    if ((a.score & kBelowStamp) != (b.score & kBelowStamp))
        return (a.score & kBelowStamp) > (b.score & kBelowStamp);
    return a.word < b.word;
}

Ranked rankedOf(const StoreState& s, std::uint32_t id, std::uint64_t frequency,
                std::uint32_t preferred) {
    const std::string_view word = s.table.word(id);
    return Ranked{id, packScore(s.table.stamp(id), frequency, codePointCount(word)), preferred,
                  word, frequency};
}

}  // namespace

CandidateOrder::CandidateOrder(const StoreState& s, const Plan& plan, const Query& query,
                               const Discount& discount)
    : s_(s), plan_(plan), discount_(discount), alpha_(query.sortOrder == SortOrder::kAlpha) {
    std::vector<RankRange> first;
    std::vector<RankRange> rest;
    for (const Path& p : plan.paths) (&p == plan.exact ? first : rest).push_back(p.range);
    if (alpha_) {
        first.insert(first.end(), rest.begin(), rest.end());
        ordered_.emplace_back(s.index, first);
        return;
    }
    groups_[0].stream = std::make_unique<RankedStream>(s.index, first);
    groups_[1].stream = std::make_unique<RankedStream>(s.index, rest);
    if (query.preferred != nullptr) {
        for (std::size_t i = 0; i < query.preferred->size(); ++i) {
            const std::uint32_t id = s.table.find(toNfc((*query.preferred)[i]));
            if (id == WordTable::kNoWord || id == discount.id) continue;
            addSide(id, s.table.frequency(id), static_cast<std::uint32_t>(i));
        }
    }
    if (discount.id != WordTable::kNoWord && !discount.gone) {
        std::uint32_t preferred = kNotPreferred;
        if (query.preferred != nullptr) {
            const std::string word(s.table.word(discount.id));
            for (std::size_t i = 0; i < query.preferred->size() && preferred == kNotPreferred; ++i)
                if (toNfc((*query.preferred)[i]) == word) preferred = static_cast<std::uint32_t>(i);
        }
        addSide(discount.id, discount.frequency, preferred);
    }
    for (Group& g : groups_) {
        std::sort(g.side.begin(), g.side.end(), ranksBefore);
        std::sort(g.sideIds.begin(), g.sideIds.end());
    }
}

bool CandidateOrder::next(Ranked& out) {
    if (alpha_) {
        std::uint32_t id;
        while (ordered_.front().next(id)) {
            if (id == discount_.id && discount_.gone) continue;
            out = Ranked{id, 0, kNotPreferred, s_.table.word(id),
                         id == discount_.id ? discount_.frequency : s_.table.frequency(id)};
            return true;
        }
        return false;
    }
    for (; group_ < 2; ++group_) {
        Group& g = groups_[group_];
        if (!g.peeked) {
            std::uint32_t id;
            std::uint64_t score;
            while (g.stream->next(id, score)) {
                if (std::binary_search(g.sideIds.begin(), g.sideIds.end(), id)) continue;
                if (id == discount_.id) continue;
                g.head =
                    Ranked{id, score, kNotPreferred, s_.table.word(id), s_.table.frequency(id)};
                g.peeked = true;
                break;
            }
        }
        const bool side = g.nextSide < g.side.size();
        if (!g.peeked && !side) continue;
        if (side && (!g.peeked || ranksBefore(g.side[g.nextSide], g.head))) {
            out = g.side[g.nextSide++];
        } else {
            out = g.head;
            g.peeked = false;
        }
        return true;
    }
    return false;
}

void CandidateOrder::addSide(std::uint32_t id, std::uint64_t frequency, std::uint32_t preferred) {
    const Path* path = plan_.pathOf(s_.table.word(id));
    if (path == nullptr) return;
    Group& g = groups_[path == plan_.exact ? 0 : 1];
    if (std::find(g.sideIds.begin(), g.sideIds.end(), id) != g.sideIds.end()) return;
    g.side.push_back(rankedOf(s_, id, frequency, preferred));
    g.sideIds.push_back(id);
}

}  // namespace rorirer
