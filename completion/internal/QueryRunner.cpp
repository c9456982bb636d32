// One query from start to end, as one pipeline: match the typed prefix to
// stored prefixes (or, failing that, to prefixes within one edit) and turn
// those into ranges of the rank index (the plan); draw the candidates from
// the ranges in the query's order (the candidate order); render and
// deduplicate the best of them, and find the longest and unique completion
// and, when asked, the count (the answer).
#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "completion/Unicode.h"
#include "completion/WordPairs.h"
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
    // The ranking model's case factor for the words below, as a rank key.
    std::int64_t caseKey = 0;
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

// How a stored prefix's case meets the typed one's, as the ranking model's
// factor: none when they agree (the two apostrophes alike) or the prefix is
// typed in capitals (every candidate shows in capitals); else by whether only
// the first letter differs, and which way.
std::int64_t caseKeyOf(std::string_view stored, std::string_view typed, bool capitals,
                       bool sentenceStart, const ModelWeights& m) {
    if (capitals || stored == typed) return 0;
    bool firstDiffers = false;
    bool restDiffers = false;
    bool typedUpper = false;
    std::size_t a = 0;
    for (std::size_t b = 0; a < stored.size() && b < typed.size();) {
        const Character x = decodeCharacter(stored, a);
        const Character y = decodeCharacter(typed, b);
        if (exactKey(x) != exactKey(y)) {
            if (a == 0) {
                firstDiffers = true;
                typedUpper = y.wellFormed && isUpperCase(y.value);
            } else {
                restDiffers = true;
            }
        }
        a += x.length;
        b += y.length;
    }
    if (!firstDiffers && !restDiffers) return 0;
    if (restDiffers) return m.otherCase;
    if (typedUpper) return sentenceStart ? m.capitalAtSentenceStart : m.capitalInSentence;
    return m.capitalStored;
}

void setPaths(Plan& plan, std::vector<MatchedPath> matched, const StoreState& s,
              const Query& query) {
    plan.paths.clear();
    plan.matched = 0;
    for (MatchedPath& m : matched) {
        const RankRange range = s.index.rangeOf(m.bytes, s.table);
        plan.matched += range.end - range.begin;
        const std::int64_t key = plan.fuzzy ? 0
                                            : caseKeyOf(m.bytes, plan.typed, plan.capitals,
                                                        query.context.sentenceStart, s.weights);
        plan.paths.push_back({std::move(m.bytes), m.list, range, key});
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
    setPaths(plan, findMatchingPaths(top, s.top, plan.typed, rule), s, query);
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
            setPaths(plan, std::move(near), s, query);
            discount = discountOf(s, plan, query.discounted);
        }
    }
}

// ---- The candidate order. With kRank: by the ranking model. The words of
// the stored prefixes with one case key come from the rank index's
// best-first stream over their ranges, each scored by its static score plus
// that key; the few words a query scores higher (used lately, near the
// cursor, seen after the previous word) or lower (the discounted word) are
// scored in full on the side and passed over in the streams; the streams'
// heads and the side words are merged by score. With kAlpha: byte order of
// the stored words.

// A candidate with what ranks it.
struct Ranked {
    std::uint32_t id;
    std::int64_t score;  // with its prefix's case key
    std::string_view word;
    std::uint64_t frequency;  // the store's own counts, as Candidate::count
};

bool ranksBefore(const Ranked& a, const Ranked& b) noexcept {
    if (a.score != b.score) return a.score > b.score;
    return a.word < b.word;
}

class CandidateOrder {
public:
    CandidateOrder(const StoreState& s, const Plan& plan, const Query& query,
                   const Discount& discount);
    // False when every candidate has come.
    bool next(Ranked& out);

private:
    struct Group {
        std::int64_t caseKey;
        std::vector<RankRange> ranges;
        std::unique_ptr<RankedStream> stream;
        Ranked head{};
        bool peeked = false;
    };
    // Mass the query adds to a word, by id.
    struct Extra {
        std::uint32_t id;
        std::uint64_t mass;
    };
    void addExtra(std::uint32_t id, std::uint64_t mass);
    void addRecentWords();
    void addNearbyWords(const std::vector<std::string>& nearby);
    void addPairs(const Query& query);
    void scoreSide();
    bool peek(Group& g);

    const StoreState& s_;
    const Plan& plan_;
    const Discount& discount_;
    bool alpha_;
    std::vector<OrderedStream> ordered_;
    std::vector<Group> groups_;
    std::vector<Extra> extras_;
    std::vector<Ranked> side_;
    std::vector<std::uint32_t> sideIds_;  // sorted
    std::size_t nextSide_ = 0;
};

CandidateOrder::CandidateOrder(const StoreState& s, const Plan& plan, const Query& query,
                               const Discount& discount)
    : s_(s), plan_(plan), discount_(discount), alpha_(query.style.sortOrder == SortOrder::kAlpha) {
    if (alpha_) {
        std::vector<RankRange> all;
        for (const Path& p : plan.paths) all.push_back(p.range);
        ordered_.emplace_back(s.index, all);
        return;
    }
    for (const Path& p : plan.paths) {
        auto g = std::find_if(groups_.begin(), groups_.end(),
                              [&p](const Group& x) { return x.caseKey == p.caseKey; });
        if (g == groups_.end()) g = groups_.insert(groups_.end(), Group{p.caseKey, {}, {}});
        g->ranges.push_back(p.range);
    }
    for (Group& g : groups_) g.stream = std::make_unique<RankedStream>(s.index, g.ranges);
    addRecentWords();
    if (query.preferred != nullptr) addNearbyWords(*query.preferred);
    if (query.context.pairs != nullptr && !plan.fuzzy) addPairs(query);
    if (discount.id != WordTable::kNoWord && !discount.gone) addExtra(discount.id, 0);
    scoreSide();
}

void CandidateOrder::addExtra(std::uint32_t id, std::uint64_t mass) {
    for (Extra& e : extras_) {
        if (e.id == id) {
            e.mass = addMass(e.mass, mass);
            return;
        }
    }
    extras_.push_back({id, mass});
}

void CandidateOrder::addRecentWords() {
    // Most of the words used last begin with another byte than every path.
    bool firstBytes[256] = {};
    for (const Path& p : plan_.paths) {
        if (p.bytes.empty()) {
            std::fill(std::begin(firstBytes), std::end(firstBytes), true);
            break;
        }
        firstBytes[static_cast<unsigned char>(p.bytes[0])] = true;
    }
    for (std::size_t place = 0; place < s_.recent.size(); ++place) {
        const std::uint32_t id = s_.recent[place];
        const std::string_view word = s_.table.word(id);
        if (!firstBytes[static_cast<unsigned char>(word[0])]) continue;
        if (id == discount_.id && discount_.gone) continue;
        if (plan_.pathOf(word) != nullptr) addExtra(id, s_.weights.recent[place]);
    }
}

void CandidateOrder::addNearbyWords(const std::vector<std::string>& nearby) {
    const std::size_t places = std::min(nearby.size(), kNearbyPlaces);
    std::vector<std::string> forms;
    forms.reserve(places);
    for (std::size_t place = 0; place < places; ++place) forms.push_back(toNfc(nearby[place]));
    const std::vector<std::string_view> words(forms.begin(), forms.end());
    std::vector<std::uint32_t> ids(places);
    s_.table.findMany(words.data(), places, ids.data());
    std::vector<std::uint32_t> seen;
    for (std::size_t place = 0; place < places; ++place) {
        const std::uint32_t id = ids[place];
        if (id == WordTable::kNoWord || (id == discount_.id && discount_.gone)) continue;
        // A word the host names twice counts at its first place.
        if (std::find(seen.begin(), seen.end(), id) != seen.end()) continue;
        seen.push_back(id);
        if (plan_.pathOf(s_.table.word(id)) != nullptr) addExtra(id, s_.weights.nearby[place]);
    }
}

void CandidateOrder::addPairs(const Query& query) {
    const WordPairs& pairs = *query.context.pairs;
    const std::string_view previous =
        query.context.sentenceStart ? std::string_view() : query.context.previous;
    if (!query.context.sentenceStart && previous.empty()) return;
    std::uint64_t total = pairs.countAfter(previous);
    if (total == 0) return;
    // The word under the cursor is counted after the previous word too,
    // once, and must not count for itself.
    const std::string discounted = query.discounted.empty() ? "" : toNfc(query.discounted);
    if (!discounted.empty() && pairs.count(previous, discounted) > 0) --total;
    std::string folded;
    appendFolded(folded, plan_.typed);
    struct Follower {
        std::uint32_t count;
        std::uint32_t place;  // in the pairs' order
        std::string_view word;
    };
    std::vector<Follower> followers;
    pairs.forEachAfter(previous, folded, [&](std::string_view word, std::uint32_t count) {
        if (word == discounted) --count;
        if (count > 0)
            followers.push_back({count, static_cast<std::uint32_t>(followers.size()), word});
    });
    // The commonest, the first in the pairs' order among equals.
    if (followers.size() > kPairPlaces) {
        std::nth_element(followers.begin(), followers.begin() + kPairPlaces, followers.end(),
                         [](const Follower& a, const Follower& b) {
                             return a.count != b.count ? a.count > b.count : a.place < b.place;
                         });
        followers.resize(kPairPlaces);
    }
    std::vector<std::string_view> words;
    words.reserve(followers.size());
    for (const Follower& f : followers) words.push_back(f.word);
    std::vector<std::uint32_t> ids(words.size());
    s_.table.findMany(words.data(), words.size(), ids.data());
    for (std::size_t i = 0; i < followers.size(); ++i) {
        const std::uint32_t id = ids[i];
        if (id == WordTable::kNoWord || (id == discount_.id && discount_.gone)) continue;
        if (plan_.pathOf(words[i]) != nullptr)
            addExtra(id, pairMass(followers[i].count, total, s_.weights));
    }
}

void CandidateOrder::scoreSide() {
    side_.reserve(extras_.size());
    sideIds_.reserve(extras_.size());
    for (const Extra& e : extras_) {
        WordFields fields = s_.fieldsOf(e.id);
        std::uint64_t frequency = s_.table.frequency(e.id);
        if (e.id == discount_.id) {
            --fields.documents;
            frequency = discount_.frequency;
        }
        const std::string_view word = s_.table.word(e.id);
        const std::uint64_t mass = addMass(staticMass(fields, s_.weights), e.mass);
        const std::int64_t score =
            withCase(packScore(mass, characterCount(word)), plan_.pathOf(word)->caseKey);
        side_.push_back(Ranked{e.id, score, word, frequency});
        sideIds_.push_back(e.id);
    }
    std::sort(side_.begin(), side_.end(), ranksBefore);
    std::sort(sideIds_.begin(), sideIds_.end());
}

bool CandidateOrder::peek(Group& g) {
    if (g.peeked) return true;
    std::uint32_t id;
    std::uint64_t score;
    while (g.stream->next(id, score)) {
        if (id == discount_.id || std::binary_search(sideIds_.begin(), sideIds_.end(), id))
            continue;
        g.head = Ranked{id, withCase(score, g.caseKey), s_.table.word(id), s_.table.frequency(id)};
        g.peeked = true;
        return true;
    }
    return false;
}

bool CandidateOrder::next(Ranked& out) {
    if (alpha_) {
        std::uint32_t id;
        while (ordered_.front().next(id)) {
            if (id == discount_.id && discount_.gone) continue;
            out = Ranked{id, 0, s_.table.word(id),
                         id == discount_.id ? discount_.frequency : s_.table.frequency(id)};
            return true;
        }
        return false;
    }
    Group* best = nullptr;
    for (Group& g : groups_)
        if (peek(g) && (best == nullptr || ranksBefore(g.head, best->head))) best = &g;
    const bool side = nextSide_ < side_.size();
    if (side && (best == nullptr || ranksBefore(side_[nextSide_], best->head))) {
        out = side_[nextSide_++];
        return true;
    }
    if (best == nullptr) return false;
    out = best->head;
    best->peeked = false;
    return true;
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

// The texts shown so far, to pass over a repeated rendering: the hashes of
// the first screenful, scanned without allocating, and past it a set, so
// that a long listing stays linear.
class ShownTexts {
public:
    static constexpr std::size_t kScanned = 64;

    explicit ShownTexts(const std::vector<Candidate>& shown) : shown_(shown) {}
    // Whether `text` was shown; if not, it is taken to be shown next.
    bool seen(const std::string& text) {
        if (hashed_ < kScanned) {
            const std::size_t hash = std::hash<std::string>()(text);
            for (std::size_t i = 0; i < hashed_; ++i)
                if (hashes_[i] == hash && shown_[i].text == text) return true;
            hashes_[hashed_++] = hash;
            return false;
        }
        if (set_.empty())
            for (const Candidate& c : shown_) set_.insert(c.text);
        return !set_.insert(text).second;
    }

private:
    const std::vector<Candidate>& shown_;
    std::array<std::size_t, kScanned> hashes_{};
    std::size_t hashed_ = 0;
    std::unordered_set<std::string> set_;
};

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
    // Renderings repeat only where countCandidates() says they can.
    const bool mayRepeat = rendersMayRepeat(plan);
    ShownTexts shown(answer.candidates);
    answer.candidates.reserve(std::min(query.style.limit, ShownTexts::kScanned));
    Ranked next;
    while (candidates.next(next)) {
        const Path* path = plan.pathOf(next.word);
        std::string text = plan.render(next.word, *path);
        if (mayRepeat && shown.seen(text)) continue;
        if (answer.candidates.size() == query.style.limit) {
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
