// A plain model of the completion layer to check CompletionStore against: a
// vector of words with their counts and stamps, and each query answered by
// looking at every word, sorting all matches and comparing strings. It uses
// utf8proc directly and nothing of the layer.
#ifndef RORIRER_TESTS_COMPLETION_REFERENCECOMPLETER_H
#define RORIRER_TESTS_COMPLETION_REFERENCECOMPLETER_H

#include <utf8proc.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "EditDistance.h"
#include "completion/Query.h"

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

inline std::uint64_t countKey(std::uint64_t c) {
    if (c < (1ull << 27)) return c;
    int e = 63;
    while (((c >> e) & 1) == 0) --e;
    return (1ull << 27) + (static_cast<std::uint64_t>(e - 27) << 21) +
           ((c >> (e - 21)) & ((1ull << 21) - 1));
}

struct Entry {
    std::string word;
    std::uint8_t origins = 0;
    std::uint64_t base = 0;
    std::uint32_t documents = 0;
    std::uint32_t stamp = 0;
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
             std::uint32_t documents, bool stamp) {
        const std::string s = storedForm(word);
        if (s.empty()) return false;
        Entry& e = words_[s];
        e.word = s;
        e.origins |= static_cast<std::uint8_t>(origin);
        e.base = std::min<std::uint64_t>(e.base + count, UINT32_MAX);
        e.documents = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(std::uint64_t{e.documents} + documents, UINT32_MAX));
        if (stamp) e.stamp = ++clock_;
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
            if (e.origins == 0) words_.erase(it);
        }
        return true;
    }
    bool forget(const std::string& word) { return words_.erase(nfc(word)) == 1; }
    bool touch(const std::string& word) {
        auto it = words_.find(nfc(word));
        if (it == words_.end()) return false;
        it->second.stamp = ++clock_;
        return true;
    }
    void reset() {
        words_.clear();
        clock_ = 0;
    }
    const std::map<std::string, Entry>& words() const { return words_; }

    Answer answer(const rorirer::Query& q) const;

private:
    long minLength_;
    std::map<std::string, Entry> words_;
    std::uint32_t clock_ = 0;
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
};

inline Answer Completer::answer(const rorirer::Query& q) const {
    using rorirer::CaseMode;
    const std::string raw(q.prefix.substr(0, q.prefix.find('\0')));
    const std::string typed = nfc(raw);
    const std::vector<Char> typedChars = decode(typed).chars;
    bool folded = true;
    bool bytes = false;
    const bool infer = q.style.caseMode == CaseMode::kInfer;
    if (q.style.caseMode == CaseMode::kExact) bytes = true;
    if (q.style.caseMode == CaseMode::kSmart) {
        for (const Char c : typedChars)
            if (isLetter(c) && lower(c) != c) folded = false;
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
    std::map<std::string, std::size_t> preferred;
    if (q.preferred != nullptr) {
        for (std::size_t i = 0; i < q.preferred->size(); ++i)
            preferred.emplace(nfc((*q.preferred)[i]), i);
    }

    const auto collect = [&](bool fuzzy) {
        std::vector<Match> matches;
        std::vector<Char> typedKeys;
        typedKeys.reserve(typedChars.size());
        for (const Char c : typedChars) typedKeys.push_back(foldedChar(c));
        for (const auto& [word, e] : words_) {
            long l = -1;
            if (!fuzzy) {
                l = matchLength(word, folded, bytes);
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
        if (alpha) return x->entry->word < y->entry->word;
        if (x->agrees != y->agrees) return x->agrees;
        if (x->entry->stamp != y->entry->stamp) return x->entry->stamp > y->entry->stamp;
        const auto px = preferred.count(x->entry->word) ? preferred.at(x->entry->word) : SIZE_MAX;
        const auto py = preferred.count(y->entry->word) ? preferred.at(y->entry->word) : SIZE_MAX;
        if (px != py) return px < py;
        if (countKey(x->frequency) != countKey(y->frequency))
            return countKey(x->frequency) > countKey(y->frequency);
        const auto lx = std::min<std::size_t>(x->codePoints, 4095);
        const auto ly = std::min<std::size_t>(y->codePoints, 4095);
        if (lx != ly) return lx < ly;
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
