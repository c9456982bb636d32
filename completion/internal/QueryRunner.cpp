// One query from start to end: match the typed prefix to stored prefixes
// (or, failing that, to prefixes within one edit), turn those into ranges
// of the rank index, draw the best candidates from the ranges in rank order,
// render and deduplicate them, and find the longest and unique completion
// and, when asked, the count.
#include <algorithm>
#include <memory>
#include <unordered_set>

#include "completion/Unicode.h"
#include "completion/internal/CandidateOrder.h"
#include "completion/internal/CaseFolding.h"
#include "completion/internal/CommonPrefix.h"
#include "completion/internal/FuzzyWalk.h"
#include "completion/internal/Matching.h"
#include "completion/internal/QueryPlan.h"
#include "completion/internal/Score.h"
#include "completion/internal/StoreState.h"
#include "completion/internal/TrieLists.h"

namespace rorirer {
namespace {

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

// Distinct renderings of every candidate. Renderings are the stored words,
// or the typed text and distinct rests, unless several prefixes lead to
// words with the same rest, or capitals can merge them: then they are
// counted one by one.
std::uint64_t countCandidates(const StoreState& s, const Plan& plan, const Discount& discount) {
    const bool gone = discount.gone;
    if (!plan.capitals && (plan.fuzzy || !plan.infer || plan.paths.size() == 1))
        return plan.matched - (gone ? 1 : 0);
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
    const auto cursorAt = [](const Path& p) {
        CharCursor c;
        c.list = p.list;
        c.path = p.bytes;
        return c;
    };
    if (plan.infer && !plan.fuzzy) {
        groups.push_back({plan.typed, {}});
        for (const Path& p : plan.paths) groups.back().cursors.push_back(cursorAt(p));
    } else {
        for (const Path& p : plan.paths) {
            groups.push_back(
                {plan.fuzzy && plan.capitals ? upperAlone(p.bytes) : p.bytes, {cursorAt(p)}});
        }
    }
    std::vector<std::string> excluded;
    if (discount.gone) excluded.emplace_back(s.table.word(discount.id));
    if (query.skipPrefixWord && !plan.fuzzy) {
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

// Whether some stored word that counts begins with `typed` after folding:
// the typo fallback is for prefixes that match nothing even so.
bool matchesFolded(const StoreState& s, std::string_view typed, const Discount& discount) {
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

}  // namespace

Completion runQuery(const StoreState& s, const Query& query) {
    Plan plan;
    const std::string_view prefix = query.prefix.substr(0, query.prefix.find('\0'));
    plan.typed = toNfc(prefix);
    MatchRule rule = MatchRule::kFolded;
    switch (query.caseMode) {
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
    Discount discount = discountOf(s, plan, query.discounted);

    if (plan.matched - (discount.gone ? 1 : 0) == 0 && query.fuzzy) {
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

    Completion answer;
    const std::uint64_t counted = plan.matched - (discount.gone ? 1 : 0);
    answer.anyMatch = counted > 0;
    answer.fuzzy = plan.fuzzy && answer.anyMatch;

    CandidateOrder candidates(s, plan, query, discount);
    Ranked next;
    while (candidates.next(next)) {
        const Path* path = plan.pathOf(next.word);
        std::string text = plan.render(next.word, *path);
        // Renderings repeat only among case variants: a scan of the few
        // shown is enough.
        const auto same = [&text](const Candidate& c) { return c.text == text; };
        if (std::any_of(answer.candidates.begin(), answer.candidates.end(), same)) continue;
        if (answer.candidates.size() == query.limit) {
            answer.more = true;
            break;
        }
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
