// A plain model of the completion layer to check CompletionStore against: a
// map of words with their counts, the words used last, and each query
// answered by scoring every word under the ranking model
// (completion/RankingModel.h, in the integers docs/completion.md gives),
// sorting all matches and comparing strings. It uses utf8proc directly, and
// of the layer only the model's parameters and a WordPairs to read counts
// from.
#ifndef RORIRER_TESTS_COMPLETION_REFERENCECOMPLETER_H
#define RORIRER_TESTS_COMPLETION_REFERENCECOMPLETER_H

#include <utf8proc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "EditDistance.h"
#include "completion/Query.h"
#include "completion/RankingModel.h"
#include "completion/WordPairs.h"

namespace reference {

// One character: a code point, or a byte that is not part of one
// (kByte + byte).
using Char = std::int64_t;
constexpr Char kByte = 0x200000;

struct Decoded {
    std::vector<Char> chars;
    std::vector<std::size_t> ends;  // byte offset after each character
};

inline Decoded decode(const std::string& s) {
    Decoded d;
    std::size_t at = 0;
    while (at < s.size()) {
        utf8proc_int32_t cp = -1;
        const auto n = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(s.data() + at),
                                        static_cast<utf8proc_ssize_t>(s.size() - at), &cp);
        if (n > 0) {
            d.chars.push_back(cp);
            at += static_cast<std::size_t>(n);
        } else {
            d.chars.push_back(kByte + static_cast<unsigned char>(s[at]));
            at += 1;
        }
        d.ends.push_back(at);
    }
    return d;
}

inline std::string encode(const std::vector<Char>& chars) {
    std::string out;
    for (const Char c : chars) {
        if (c >= kByte) {
            out.push_back(static_cast<char>(c - kByte));
        } else {
            utf8proc_uint8_t buffer[4];
            const auto n = utf8proc_encode_char(static_cast<utf8proc_int32_t>(c), buffer);
            out.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
        }
    }
    return out;
}

inline std::string nfc(const std::string& s) {
    // Each run of well-formed text on its own.
    std::string out;
    std::string run;
    const auto flush = [&] {
        if (run.empty()) return;
        utf8proc_uint8_t* n = utf8proc_NFC(reinterpret_cast<const utf8proc_uint8_t*>(run.c_str()));
        out += reinterpret_cast<const char*>(n);
        std::free(n);
        run.clear();
    };
    const Decoded d = decode(s);
    std::size_t start = 0;
    for (std::size_t i = 0; i < d.chars.size(); ++i) {
        const std::string bytes = s.substr(start, d.ends[i] - start);
        if (d.chars[i] >= kByte) {
            flush();
            out += bytes;
        } else {
            run += bytes;
        }
        start = d.ends[i];
    }
    flush();
    return out;
}

inline Char lower(Char c) {
    return c >= kByte ? c : utf8proc_tolower(static_cast<utf8proc_int32_t>(c));
}
inline Char upper(Char c) {
    return c >= kByte ? c : utf8proc_toupper(static_cast<utf8proc_int32_t>(c));
}
inline Char unifyApostrophe(Char c) { return c == 0x2019 ? '\'' : c; }
inline Char foldedChar(Char c) { return unifyApostrophe(lower(c)); }

inline bool isLetter(Char c) {
    if (c >= kByte) return false;
    const auto cat = utf8proc_category(static_cast<utf8proc_int32_t>(c));
    return cat >= UTF8PROC_CATEGORY_LU && cat <= UTF8PROC_CATEGORY_LO;
}

inline std::string upperCased(const std::string& s) {
    std::vector<Char> chars = decode(s).chars;
    for (Char& c : chars) c = upper(c);
    return encode(chars);
}

inline std::string folded(const std::string& s) {
    std::vector<Char> chars = decode(s).chars;
    for (Char& c : chars) c = foldedChar(c);
    return encode(chars);
}

// The model in integers: masses in 256ths of a corpus occurrence, summed
// with saturation at 2^62; rank keys floor(log2(mass) * 2^16); a score is
// the key above 12 bits of inverted length, and a case factor adds its own
// key times 2^12.
struct Weights {
    static constexpr std::uint64_t kMost = 1ull << 62;
    static std::uint64_t mass(double occurrences) {
        const double m = occurrences * 256;
        return m >= static_cast<double>(kMost) ? kMost
                                               : static_cast<std::uint64_t>(std::llround(m));
    }
    static std::int64_t key(double factor) { return std::llround(std::log2(factor) * 65536); }
    static std::uint64_t add(std::uint64_t a, std::uint64_t b) { return std::min(a + b, kMost); }
    static std::uint64_t times(std::uint64_t count, std::uint64_t weight) {
        if (count == 0 || weight == 0) return 0;
        return weight > kMost / count ? kMost : count * weight;
    }

    explicit Weights(const rorirer::RankingModel& m = rorirer::RankingModel()) : model(m) {
        for (std::uint32_t i = 0; i < m.recentWindow; ++i)
            recent.push_back(mass(m.recent * std::pow(m.recentDecay, i)));
        for (int i = 0; i < 64; ++i) nearby.push_back(mass(m.nearby * std::pow(m.nearbyDecay, i)));
    }
    rorirer::RankingModel model;
    std::vector<std::uint64_t> recent;
    std::vector<std::uint64_t> nearby;
};

inline std::int64_t score(std::uint64_t mass, std::size_t codePoints, std::int64_t caseKey) {
    const auto key =
        static_cast<std::int64_t>(std::floor(std::log2(static_cast<double>(mass)) * 65536));
    const auto length = static_cast<std::int64_t>(std::min<std::size_t>(codePoints, 4095));
    return (key + caseKey) * 4096 + (4095 - length);
}

// A corpus's counts by folded word, and what each suffix after an
// apostrophe takes of the piece before it.
struct Frequencies {
    std::map<std::string, std::uint64_t> counts;
    std::map<std::string, double> shares;

    static bool split(const std::string& w, std::string& first, std::string& last) {
        const std::size_t a = w.find('\'');
        if (a == std::string::npos) return false;
        first = w.substr(0, a);
        last = w.substr(w.rfind('\'') + 1);
        return true;
    }
    std::uint32_t count(const std::string& foldedWord) const {
        const auto it = counts.find(foldedWord);
        return it == counts.end()
                   ? 0
                   : static_cast<std::uint32_t>(std::min<std::uint64_t>(it->second, UINT32_MAX));
    }
    void add(const std::string& word, std::uint64_t n) {
        const std::string f = folded(word);
        if (!f.empty()) counts[f] += n;
    }
    void learnContractions(const std::vector<std::string>& words) {
        std::map<std::string, double> before;
        std::string first;
        std::string last;
        for (const std::string& w : words)
            if (split(folded(w), first, last) && !last.empty()) before[last] += count(first);
        for (const auto& [suffix, stems] : before)
            if (count(suffix) > 0 && stems > 0)
                shares[suffix] = std::min(1.0, static_cast<double>(count(suffix)) / stems);
    }
    std::uint32_t estimate(const std::string& word, double contraction) const {
        const std::string f = folded(word);
        std::string first;
        std::string last;
        double e;
        if (split(f, first, last)) {
            const auto share = shares.find(last);
            e = (share == shares.end() ? contraction : share->second) * count(first);
        } else {
            static const std::set<std::string> suffixes = {"d", "ll", "m", "re", "s", "t", "ve"};
            e = suffixes.count(f) ? 0 : static_cast<double>(count(f));
        }
        return e > 0 ? static_cast<std::uint32_t>(std::llround(std::min(e, 4294967295.0))) : 0;
    }
};

struct Entry {
    std::string word;
    std::uint8_t origins = 0;
    std::uint64_t base = 0;
    std::uint32_t documents = 0;
    std::uint32_t corpus = 0;
    bool used = false;
};

struct Answer {
    std::vector<rorirer::Candidate> candidates;
    bool more = false;
    bool anyMatch = false;
    bool fuzzy = false;
    std::string longest;
    std::optional<std::string> unique;
    std::uint64_t count = 0;
};

class Completer {
public:
    explicit Completer(long minLength) : minLength_(minLength) {}

    std::string storedForm(const std::string& word) const {
        std::string s = nfc(word);
        if (s.empty() || s.find('\0') != std::string::npos ||
            static_cast<long>(s.size()) < minLength_)
            return "";
        return s;
    }

    bool add(const std::string& word, rorirer::Origin origin, std::uint64_t count,
             std::uint32_t documents, bool used) {
        const std::string s = storedForm(word);
        if (s.empty()) return false;
        Entry& e = words_[s];
        if (e.word.empty()) e.corpus = corpusOf(s);
        e.word = s;
        e.origins |= static_cast<std::uint8_t>(origin);
        e.base = std::min<std::uint64_t>(e.base + count, UINT32_MAX);
        e.documents = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(std::uint64_t{e.documents} + documents, UINT32_MAX));
        if (used) use(e);
        return true;
    }
    bool removeDocuments(const std::string& word, std::uint32_t n) {
        auto it = words_.find(nfc(word));
        if (it == words_.end() || it->second.documents < n) return false;
        Entry& e = it->second;
        e.documents -= n;
        if (e.documents == 0) {
            e.origins &=
                static_cast<std::uint8_t>(~static_cast<unsigned>(rorirer::Origin::kDocument));
            if (e.origins == 0) erase(it);
        }
        return true;
    }
    bool forget(const std::string& word) {
        auto it = words_.find(nfc(word));
        if (it == words_.end()) return false;
        erase(it);
        return true;
    }
    bool touch(const std::string& word) {
        auto it = words_.find(nfc(word));
        if (it == words_.end()) return false;
        use(it->second);
        return true;
    }
    void reset() {
        words_.clear();
        recent_.clear();
    }
    void setModel(const rorirer::RankingModel& model) {
        weights_ = Weights(model);
        if (recent_.size() > model.recentWindow) recent_.resize(model.recentWindow);
        for (auto& [word, e] : words_) e.corpus = corpusOf(word);
    }
    // Null: no frequencies.
    void setFrequencies(const Frequencies* frequencies) {
        frequencies_ = frequencies;
        for (auto& [word, e] : words_) e.corpus = corpusOf(word);
    }
    const std::map<std::string, Entry>& words() const { return words_; }

    Answer answer(const rorirer::Query& q) const;

private:
    std::uint32_t corpusOf(const std::string& word) const {
        return frequencies_ ? frequencies_->estimate(word, weights_.model.contraction) : 0;
    }
    void use(Entry& e) {
        e.used = true;
        if (weights_.recent.empty()) return;
        recent_.erase(std::remove(recent_.begin(), recent_.end(), e.word), recent_.end());
        recent_.insert(recent_.begin(), e.word);
        if (recent_.size() > weights_.recent.size()) recent_.pop_back();
    }
    void erase(std::map<std::string, Entry>::iterator it) {
        recent_.erase(std::remove(recent_.begin(), recent_.end(), it->first), recent_.end());
        words_.erase(it);
    }
    std::uint64_t staticMass(const Entry& e, std::uint32_t documents) const {
        const rorirer::RankingModel& m = weights_.model;
        std::uint64_t mass = std::max<std::uint64_t>(1, Weights::mass(m.floor));
        mass = Weights::add(mass, Weights::times(e.corpus, 256));
        mass = Weights::add(mass, Weights::times(e.base, Weights::mass(m.listCount)));
        if (e.origins & static_cast<unsigned>(rorirer::Origin::kPersonal))
            mass = Weights::add(mass, Weights::mass(m.personal));
        return Weights::add(mass, Weights::times(documents, Weights::mass(m.document)));
    }

    long minLength_;
    std::map<std::string, Entry> words_;
    std::vector<std::string> recent_;  // the words used last, the latest first
    Weights weights_;
    const Frequencies* frequencies_ = nullptr;
};

// A matching stored word: where its matched beginning ends, and how it shows.
struct Match {
    const Entry* entry;
    std::size_t length;  // bytes of the stored word matched by the prefix
    std::string head;    // the rendering: head, then tail, each decoded on its own
    std::string tail;
    bool agrees;
    std::uint64_t frequency;
    bool isPrefixWord;  // the whole word matched the prefix
    std::size_t codePoints;
    std::int64_t score = 0;
};

inline Answer Completer::answer(const rorirer::Query& q) const {
    using rorirer::CaseMode;
    const std::string raw(q.prefix.substr(0, q.prefix.find('\0')));
    const std::string typed = nfc(raw);
    const std::vector<Char> typedChars = decode(typed).chars;
    bool foldCase = true;
    bool bytes = false;
    const bool infer = q.style.caseMode == CaseMode::kInfer;
    if (q.style.caseMode == CaseMode::kExact) bytes = true;
    if (q.style.caseMode == CaseMode::kSmart) {
        for (const Char c : typedChars)
            if (isLetter(c) && lower(c) != c) foldCase = false;
    }
    bool capitals = false;
    if (infer) {
        int letters = 0;
        bool allUpper = true;
        for (const Char c : typedChars) {
            if (!isLetter(c)) continue;
            ++letters;
            if (lower(c) == c) allUpper = false;
        }
        capitals = allUpper && letters >= 2;
    }
    const auto key = [&](Char c, bool fold) { return fold ? foldedChar(c) : unifyApostrophe(c); };
    const auto keysEqual = [&](const std::vector<Char>& a, const std::vector<Char>& b, bool fold) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (key(a[i], fold) != key(b[i], fold)) return false;
        return true;
    };
    // The byte length of the shortest beginning of `w` that matches, or -1.
    const auto matchLength = [&](const std::string& w, bool fold, bool byBytes) -> long {
        if (byBytes)
            return w.compare(0, typed.size(), typed) == 0 ? static_cast<long>(typed.size()) : -1;
        // A beginning of k characters has k to 4k bytes.
        const std::size_t k = typedChars.size();
        for (std::size_t l = k; l <= std::min(w.size(), 4 * k); ++l)
            if (keysEqual(decode(w.substr(0, l)).chars, typedChars, fold))
                return static_cast<long>(l);
        return -1;
    };

    const std::string discounted = nfc(std::string(q.discounted));
    const std::string foldedTyped = reference::folded(typed);
    // The pair part's context and its count, the word under the cursor's
    // pair taken away.
    const rorirer::WordPairs* pairs = q.context.pairs;
    const std::string previous =
        q.context.sentenceStart ? std::string() : std::string(q.context.previous);
    std::uint64_t pairTotal = 0;
    if (pairs != nullptr && (q.context.sentenceStart || !previous.empty())) {
        pairTotal = pairs->countAfter(previous);
        if (pairTotal > 0 && !discounted.empty() && pairs->count(previous, discounted) > 0)
            --pairTotal;
    }
    // Only the 64 commonest followers that begin with the typed word count,
    // the first in the pairs' order among equals.
    std::map<std::string, std::uint64_t> followers;
    if (pairTotal > 0) {
        std::vector<std::pair<std::uint64_t, std::string>> all;
        pairs->forEachAfter(previous, foldedTyped, [&](std::string_view w, std::uint32_t c) {
            if (w == discounted) --c;
            if (c > 0) all.emplace_back(c, std::string(w));
        });
        std::stable_sort(all.begin(), all.end(),
                         [](const auto& a, const auto& b) { return a.first > b.first; });
        for (std::size_t i = 0; i < all.size() && i < 64; ++i)
            followers.emplace(all[i].second, all[i].first);
    }
    std::map<std::string, std::size_t> preferred;
    if (q.preferred != nullptr) {
        for (std::size_t i = 0; i < q.preferred->size(); ++i)
            preferred.emplace(nfc((*q.preferred)[i]), i);
    }

    // The case factor's key: none when the matched beginning agrees with
    // the typed prefix (apostrophes alike) or the prefix is in capitals;
    // else by whether only the first character differs, and which way.
    const auto caseKey = [&](const std::string& head) -> std::int64_t {
        const rorirer::RankingModel& m = weights_.model;
        if (capitals || head == typed) return 0;
        const std::vector<Char> h = decode(head).chars;
        bool first = false;
        bool rest = false;
        for (std::size_t i = 0; i < h.size() && i < typedChars.size(); ++i) {
            if (unifyApostrophe(h[i]) == unifyApostrophe(typedChars[i])) continue;
            (i == 0 ? first : rest) = true;
        }
        if (rest) return Weights::key(m.otherCase);
        if (!first) return 0;
        const Char t = typedChars[0];
        if (t < kByte && lower(t) != t)
            return Weights::key(q.context.sentenceStart ? m.capitalAtSentenceStart
                                                        : m.capitalInSentence);
        return Weights::key(m.capitalStored);
    };
    const auto rank = [&](const Match& m, bool fuzzy) {
        const Entry& e = *m.entry;
        const bool isDiscounted = e.word == discounted && e.documents > 0;
        std::uint64_t recent = 0;
        const auto place = std::find(recent_.begin(), recent_.end(), e.word);
        if (place != recent_.end()) recent = weights_.recent[place - recent_.begin()];
        std::uint64_t nearby = 0;
        const auto near = preferred.find(e.word);
        if (near != preferred.end() && near->second < weights_.nearby.size())
            nearby = weights_.nearby[near->second];
        std::uint64_t pair = 0;
        const auto follower = followers.find(e.word);
        if (!fuzzy && follower != followers.end()) {
            const rorirer::RankingModel& mo = weights_.model;
            const std::uint64_t context = std::min<std::uint64_t>(pairTotal, 1u << 24);
            pair = Weights::times(std::min(follower->second, context), Weights::mass(mo.pair)) /
                   (context + static_cast<std::uint64_t>(std::llround(mo.pairPrior)));
        }
        const std::uint64_t extra = Weights::add(Weights::add(recent, nearby), pair);
        const std::uint64_t mass =
            Weights::add(staticMass(e, e.documents - (isDiscounted ? 1 : 0)), extra);
        return score(mass, m.codePoints, fuzzy ? 0 : caseKey(e.word.substr(0, m.length)));
    };

    const auto collect = [&](bool fuzzy) {
        std::vector<Match> matches;
        std::vector<Char> typedKeys;
        typedKeys.reserve(typedChars.size());
        for (const Char c : typedChars) typedKeys.push_back(foldedChar(c));
        for (const auto& [word, e] : words_) {
            long l = -1;
            if (!fuzzy) {
                l = matchLength(word, foldCase, bytes);
            } else {
                // Within one edit: k - 1 to k + 1 characters.
                const std::size_t k = typedChars.size();
                for (std::size_t n = k - 1; n <= std::min(word.size(), 4 * (k + 1)) && l < 0; ++n) {
                    std::vector<Char> keys = decode(word.substr(0, n)).chars;
                    for (Char& c : keys) c = foldedChar(c);
                    if (rorirer::testsupport::editDistance(keys, typedKeys) <= 1)
                        l = static_cast<long>(n);
                }
            }
            if (l < 0) continue;
            Match m{&e,    static_cast<std::size_t>(l), "",    "",
                    false, e.base + e.documents,        false, decode(word).chars.size()};
            if (word == discounted && e.documents > 0) {
                const bool others =
                    (e.origins & ~static_cast<unsigned>(rorirer::Origin::kDocument)) != 0;
                if (e.documents == 1 && !others) continue;
                m.frequency -= 1;
            }
            const std::string head = word.substr(0, m.length);
            const std::string tail = word.substr(m.length);
            if (fuzzy) {
                m.head = capitals ? upperCased(head) : head;
                m.tail = capitals ? upperCased(tail) : tail;
            } else if (infer) {
                m.head = typed;
                m.tail = capitals ? upperCased(tail) : tail;
            } else {
                m.head = head;
                m.tail = tail;
            }
            m.agrees = !fuzzy && word.compare(0, typed.size(), typed) == 0;
            m.isPrefixWord = !fuzzy && m.length == word.size();
            m.score = rank(m, fuzzy);
            matches.push_back(m);
        }
        return matches;
    };

    Answer a;
    std::vector<Match> matches = collect(false);
    bool fuzzy = false;
    if (matches.empty() && q.style.fuzzy && typedChars.size() >= 4 && typedChars.size() <= 64) {
        bool foldedMatch = false;
        for (const auto& [word, e] : words_) {
            if (matchLength(word, true, false) < 0) continue;
            const bool gone = word == discounted && e.documents == 1 &&
                              (e.origins & ~static_cast<unsigned>(rorirer::Origin::kDocument)) == 0;
            if (!gone) foldedMatch = true;
        }
        if (!foldedMatch) {
            matches = collect(true);
            fuzzy = true;
        }
    }
    a.anyMatch = !matches.empty();
    a.fuzzy = fuzzy && a.anyMatch;

    // Rank all, then keep the first of each rendering.
    std::vector<const Match*> order;
    order.reserve(matches.size());
    for (const Match& m : matches) order.push_back(&m);
    const bool alpha = q.style.sortOrder == rorirer::SortOrder::kAlpha;
    std::sort(order.begin(), order.end(), [&](const Match* x, const Match* y) {
        if (!alpha && x->score != y->score) return x->score > y->score;
        return x->entry->word < y->entry->word;
    });
    std::set<std::string> seen;
    for (const Match* m : order) {
        const std::string text = m->head + m->tail;
        if (!seen.insert(text).second) continue;
        if (a.candidates.size() == q.style.limit) {
            a.more = true;
            continue;
        }
        rorirer::Candidate c;
        c.text = text;
        c.word = m->entry->word;
        c.fuzzy = fuzzy;
        c.caseAgrees = m->agrees;
        c.origins = m->entry->origins;
        if (m->entry->word == discounted && m->entry->documents == 1)
            c.origins &=
                static_cast<std::uint8_t>(~static_cast<unsigned>(rorirer::Origin::kDocument));
        c.count = m->frequency;
        a.candidates.push_back(c);
    }
    a.count = seen.size();

    // Longest and unique: the renderings, with the words equal to the prefix
    // set aside while others remain; the empty prefix is a stored word.
    std::vector<std::pair<std::string, std::string>> renderings;  // head, tail
    std::vector<std::pair<std::string, std::string>> equal;
    for (const Match& m : matches)
        (m.isPrefixWord ? equal : renderings).emplace_back(m.head, m.tail);
    if (typed.empty() && !fuzzy) equal.emplace_back("", "");
    if (!q.style.skipPrefixWord || renderings.empty())
        renderings.insert(renderings.end(), equal.begin(), equal.end());
    a.longest = typed;
    if (renderings.empty()) return a;
    std::set<std::string> distinct;
    for (const auto& r : renderings) distinct.insert(r.first + r.second);
    if (distinct.size() == 1) a.unique = *distinct.begin();

    std::string common = renderings.front().first + renderings.front().second;
    for (const auto& r : renderings) {
        const std::string t = r.first + r.second;
        std::size_t n = 0;
        while (n < common.size() && n < t.size() && common[n] == t[n]) ++n;
        common.resize(n);
    }
    // Where each rendering may be cut: character boundaries (head and tail
    // decoded on their own) that are grapheme breaks.
    const auto cuts = [](const std::pair<std::string, std::string>& r) {
        std::vector<Char> chars;
        std::vector<std::size_t> ends{0};
        for (const std::string* part : {&r.first, &r.second}) {
            const std::size_t base = ends.back();
            const Decoded d = decode(*part);
            for (std::size_t i = 0; i < d.chars.size(); ++i) {
                chars.push_back(d.chars[i]);
                ends.push_back(base + d.ends[i]);
            }
        }
        std::set<std::size_t> allowed{0, ends.back()};
        utf8proc_int32_t state = 0;
        for (std::size_t i = 1; i < chars.size(); ++i) {
            bool brk;
            if (chars[i - 1] >= kByte || chars[i] >= kByte) {
                brk = true;
                state = 0;
            } else {
                brk = utf8proc_grapheme_break_stateful(static_cast<utf8proc_int32_t>(chars[i - 1]),
                                                       static_cast<utf8proc_int32_t>(chars[i]),
                                                       &state);
            }
            if (brk) allowed.insert(ends[i]);
        }
        return allowed;
    };
    std::vector<std::set<std::size_t>> allowed;
    allowed.reserve(renderings.size());
    for (const auto& r : renderings) allowed.push_back(cuts(r));
    std::size_t cut = common.size();
    while (cut > 0) {
        bool everywhere = true;
        for (const auto& set : allowed) everywhere = everywhere && set.count(cut) == 1;
        if (everywhere) break;
        --cut;
    }
    const std::string longest = common.substr(0, cut);
    if (decode(longest).chars.size() >= typedChars.size()) a.longest = longest;
    return a;
}

}  // namespace reference

#endif  // RORIRER_TESTS_COMPLETION_REFERENCECOMPLETER_H
