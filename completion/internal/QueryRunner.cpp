// One query from start to end, as one pipeline: match the typed prefix to
// stored prefixes (or, failing that, to prefixes within one edit) and turn
// those into ranges of the rank index (the plan); draw the candidates from
// the ranges in the query's order (the candidate order); render and
// deduplicate the best of them, and find the longest and unique completion
// and, when asked, the count (the answer).
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "completion/Unicode.h"
#include "completion/internal/CaseFolding.h"
#include "completion/internal/CommonPrefix.h"
#include "completion/internal/FuzzyWalk.h"
#include "completion/internal/Matching.h"
#include "completion/internal/RankedStream.h"
#include "completion/internal/Score.h"
#include "completion/internal/StoreState.h"
#include "wordstore/internal/TreeWalk.h"

namespace rorirer {
namespace {

// ---- The plan: the stored prefixes the query matched, each with its rank
// range, the prefix spelled exactly as typed among them, and the word under
// the cursor whose one occurrence does not count.

bool startsWith(std::string_view text, std::string_view prefix) noexcept {
    return text.substr(0, prefix.size()) == prefix;
}

// Every well-formed character upper-cased, the text decoded on its own.
std::string upperAlone(std::string_view text) {
    std::string out;
    appendUpperCased(out, text);
    return out;
}

struct Path {
    std::string bytes;
    const LinkedTrieNode* list;
    RankRange range;
};

bool isWordAt(const Path& path) noexcept { return path.list == nullptr || isEndMarker(path.list); }

// What the query matched and how its candidates are shown.
struct Plan {
    std::string typed;
    bool infer = false;
    bool capitals = false;
    bool fuzzy = false;
    std::vector<Path> paths;      // sorted by bytes, none a prefix of another
    const Path* exact = nullptr;  // the path spelled exactly as typed
    std::uint64_t matched = 0;    // stored words in the ranges

    // The path `word` lies below, or null.
    const Path* pathOf(std::string_view word) const noexcept {
        auto after = std::upper_bound(
            paths.begin(), paths.end(), word,
            [](std::string_view w, const Path& p) { return w < std::string_view(p.bytes); });
        if (after == paths.begin()) return nullptr;
        const Path& p = *std::prev(after);
        return startsWith(word, p.bytes) ? &p : nullptr;
    }

    std::string render(std::string_view word, const Path& path) const {
        const std::string_view rest = word.substr(path.bytes.size());
        if (fuzzy) {
            return capitals ? upperAlone(path.bytes) + upperAlone(rest) : std::string(word);
        }
        if (!infer) return std::string(word);
        return capitals ? typed + upperAlone(rest) : typed + std::string(rest);
    }
};

// The word under the cursor, one occurrence of which does not count.
struct Discount {
    std::uint32_t id = WordTable::kNoWord;
    bool gone = false;            // nothing else keeps it a candidate
    std::uint64_t frequency = 0;  // without that occurrence
};

// Longer prefixes get no typo fallback: its table grows with the square of
// the prefix.
constexpr std::size_t kMaxFuzzyCharacters = 64;

void setPaths(Plan& plan, std::vector<MatchedPath> matched, const StoreState& s) {
    plan.paths.clear();
    plan.matched = 0;
    for (MatchedPath& m : matched) {
        const RankRange range = s.index.rangeOf(m.bytes, s.table);
        plan.matched += range.end - range.begin;
        plan.paths.push_back({std::move(m.bytes), m.list, range});
    }
    std::sort(plan.paths.begin(), plan.paths.end(),
              [](const Path& a, const Path& b) { return a.bytes < b.bytes; });
    plan.exact = nullptr;
    if (!plan.fuzzy) {
        for (const Path& p : plan.paths)
            if (p.bytes == plan.typed) plan.exact = &p;
    }
}

Discount discountOf(const StoreState& s, const Plan& plan, std::string_view word) {
    Discount d;
    if (word.empty()) return d;
    const std::uint32_t id = s.table.find(toNfc(word));
    if (id == WordTable::kNoWord || plan.pathOf(s.table.word(id)) == nullptr) return d;
    const std::uint32_t documents = s.table.documentCount(id);
    if (documents == 0) return d;
    d.id = id;
    d.frequency = s.table.frequency(id) - 1;
    const auto others =
        static_cast<Origins>(s.table.origins(id) & ~static_cast<Origins>(Origin::kDocument));
    d.gone = documents == 1 && others == 0;
    return d;
}

// Whether some stored word that counts begins with `typed` after folding:
// the typo fallback is for prefixes that match nothing even so.
bool matchesFolded(const StoreState& s, const std::string& typed, const Discount& discount) {
    for (const MatchedPath& p :
         findMatchingPaths(s.store.top(), s.top, typed, MatchRule::kFolded)) {
        const RankRange range = s.index.rangeOf(p.bytes, s.table);
        const std::uint32_t words = range.end - range.begin;
        const bool onlyDiscounted =
            discount.gone && words == 1 && startsWith(s.table.word(discount.id), p.bytes);
        if (words > 0 && !onlyDiscounted) return true;
    }
    return false;
}

std::vector<MatchKey> matchKeys(std::string_view text) {
    std::vector<MatchKey> keys;
    for (std::size_t at = 0; at < text.size();) {
        const Character c = decodeCharacter(text, at);
        at += c.length;
        keys.push_back(matchKey(c));
    }
    return keys;
}

// Matches the query, falling back on the prefixes within one edit when
// nothing counts.
void makePlan(const StoreState& s, const Query& query, Plan& plan, Discount& discount) {
    const std::string_view prefix = query.prefix.substr(0, query.prefix.find('\0'));
    plan.typed = toNfc(prefix);
    MatchRule rule = MatchRule::kFolded;
    switch (query.style.caseMode) {
        case CaseMode::kExact:
            rule = MatchRule::kBytes;
            break;
        case CaseMode::kIgnore:
            break;
        case CaseMode::kSmart:
            if (hasUpperCase(plan.typed)) rule = MatchRule::kCaseSensitive;
            break;
        case CaseMode::kInfer:
            plan.infer = true;
            plan.capitals = isAllCapitals(plan.typed);
            break;
    }
    const LinkedTrieNode* top = s.store.top();
    setPaths(plan, findMatchingPaths(top, s.top, plan.typed, rule), s);
    discount = discountOf(s, plan, query.discounted);

    if (plan.matched - (discount.gone ? 1 : 0) == 0 && query.style.fuzzy) {
        const std::vector<MatchKey> keys = matchKeys(plan.typed);
        if (keys.size() >= 4 && keys.size() <= kMaxFuzzyCharacters &&
            !matchesFolded(s, plan.typed, discount)) {
            std::vector<MatchedPath> near;
            for (std::string& bytes : findPrefixesWithinOneEdit(top, keys)) {
                const LinkedTrieNode* list = nullptr;
                followPath(top, s.top, bytes, list);
                near.push_back({std::move(bytes), list});
            }
            plan.fuzzy = true;
            setPaths(plan, std::move(near), s);
            discount = discountOf(s, plan, query.discounted);
        }
    }
}

// ---- The candidate order. With kRank: the words spelled as typed first,
// then the others; within each, the rank index's best-first stream merged
// with the few words whose rank the query itself changes (the host's
// preferred words and the discounted word), which the stream passes over.
// With kAlpha: byte order of the stored words.

// A candidate with everything that ranks it: its score (recency, frequency
// and length, as the index packs them) and its place in the host's list.
struct Ranked {
    std::uint32_t id;
    std::uint64_t score;
    std::uint32_t preferred;  // place in the host's list, or kNotPreferred
    std::string_view word;
    std::uint64_t frequency;
};

constexpr std::uint32_t kNotPreferred = 0xFFFFFFFFu;

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
    return Ranked{id, packScore(s.table.stamp(id), frequency, characterCount(word)), preferred,
                  word, frequency};
}

CandidateOrder::CandidateOrder(const StoreState& s, const Plan& plan, const Query& query,
                               const Discount& discount)
    : s_(s), plan_(plan), discount_(discount), alpha_(query.style.sortOrder == SortOrder::kAlpha) {
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

// ---- The answer: the best candidates rendered and deduplicated, the
// longest and unique completion, and the count.

// Renderings are the stored words, or the typed text and distinct rests,
// unless several prefixes lead to words with the same rest, or capitals can
// merge them.
bool rendersMayRepeat(const Plan& plan) noexcept {
    return plan.capitals || (!plan.fuzzy && plan.infer && plan.paths.size() > 1);
}

// Distinct renderings of every candidate: counted one by one where they
// may repeat.
std::uint64_t countCandidates(const StoreState& s, const Plan& plan, const Discount& discount) {
    const bool gone = discount.gone;
    if (!rendersMayRepeat(plan)) return plan.matched - (gone ? 1 : 0);
    std::unordered_set<std::string> seen;
    for (const Path& p : plan.paths) {
        OrderedStream words(s.index, {p.range});
        std::uint32_t id;
        while (words.next(id)) {
            if (gone && id == discount.id) continue;
            seen.insert(plan.render(s.table.word(id), p));
        }
    }
    return seen.size();
}

CommonCompletion commonCompletion(const StoreState& s, const Plan& plan, const Query& query,
                                  const Discount& discount) {
    std::vector<RenderGroup> groups;
    if (plan.infer && !plan.fuzzy) {
        groups.push_back({plan.typed, {}});
        for (const Path& p : plan.paths) groups.back().starts.push_back({p.bytes, p.list});
    } else {
        for (const Path& p : plan.paths) {
            const std::string rendered =
                plan.fuzzy && plan.capitals ? upperAlone(p.bytes) : p.bytes;
            groups.push_back({rendered, {{p.bytes, p.list}}});
        }
    }
    std::vector<std::string> excluded;
    if (discount.gone) excluded.emplace_back(s.table.word(discount.id));
    if (query.style.skipPrefixWord && !plan.fuzzy) {
        // The words equal to the prefix, set aside while others remain. The
        // empty word is one at the root, as the store counts it.
        std::vector<std::string> equal;
        std::uint64_t counted = 0;
        for (const Path& p : plan.paths) {
            if (!isWordAt(p)) continue;
            equal.push_back(p.bytes);
            if (!p.bytes.empty() && !(discount.gone && s.table.word(discount.id) == p.bytes))
                ++counted;
        }
        const std::uint64_t candidates = plan.matched - (discount.gone ? 1 : 0);
        if (candidates > counted) excluded.insert(excluded.end(), equal.begin(), equal.end());
    }
    return findCommonCompletion(groups, plan.capitals, excluded, plan.typed, s.index, s.table);
}

}  // namespace

Completion StoreState::runQuery(const Query& query) const {
    const StoreState& s = *this;
    Plan plan;
    Discount discount;
    makePlan(s, query, plan, discount);

    Completion answer;
    const std::uint64_t counted = plan.matched - (discount.gone ? 1 : 0);
    answer.anyMatch = counted > 0;
    answer.fuzzy = plan.fuzzy && answer.anyMatch;

    CandidateOrder candidates(s, plan, query, discount);
    // Renderings repeat only where countCandidates() says they can; the
    // texts shown are then kept in a set, so a long listing stays linear.
    const bool mayRepeat = rendersMayRepeat(plan);
    std::unordered_set<std::string> shown;
    Ranked next;
    while (candidates.next(next)) {
        const Path* path = plan.pathOf(next.word);
        std::string text = plan.render(next.word, *path);
        if (mayRepeat && shown.count(text) != 0) continue;
        if (answer.candidates.size() == query.style.limit) {
            answer.more = true;
            break;
        }
        if (mayRepeat) shown.insert(text);
        Candidate c;
        c.text = std::move(text);
        c.word = std::string(next.word);
        c.fuzzy = plan.fuzzy;
        c.caseAgrees = !plan.fuzzy && path == plan.exact;
        c.origins = s.table.origins(next.id);
        if (next.id == discount.id && s.table.documentCount(next.id) == 1)
            c.origins = static_cast<Origins>(c.origins & ~static_cast<Origins>(Origin::kDocument));
        c.count = next.frequency;
        answer.candidates.push_back(std::move(c));
    }
    if (query.wantLongest) {
        const CommonCompletion common = commonCompletion(s, plan, query, discount);
        answer.longest = common.longest;
        answer.unique = common.unique;
    } else {
        answer.longest = plan.typed;
    }
    if (query.wantCount) answer.count = countCandidates(s, plan, discount);
    return answer;
}

}  // namespace rorirer
