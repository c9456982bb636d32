// The peer of CompletionBench: a completer that scans every word for every
// query, folds with utf8proc per code point, and sorts what matches, with
// CompletionStore's rules for a word list without counts or recency under
// CaseMode::kInfer: every word weighs alike, so the ranking model's case
// factor decides (the prefix as typed, or a capital typed for a small
// letter at a sentence's start; then a small letter typed for a capital;
// then any other difference), then length in code points, then byte order. Words shorter than the
// minimum length in bytes (NFC) are left out, as the store refuses them. Only for well-formed UTF-8
// lists.
#ifndef RORIRER_BENCH_NAIVECOMPLETER_H
#define RORIRER_BENCH_NAIVECOMPLETER_H

#include <utf8proc.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "EditDistance.h"

class NaiveCompleter {
public:
    NaiveCompleter(const std::vector<std::string>& words, std::size_t minLength) {
        for (const std::string& w : words) {
            utf8proc_uint8_t* nfc =
                utf8proc_NFC(reinterpret_cast<const utf8proc_uint8_t*>(w.c_str()));
            std::string word(reinterpret_cast<const char*>(nfc));
            std::free(nfc);
            if (word.size() >= minLength) words_.push_back(std::move(word));
        }
        std::sort(words_.begin(), words_.end());
        words_.erase(std::unique(words_.begin(), words_.end()), words_.end());
    }

    std::vector<std::string> bestTwenty(const std::string& typed) const {
        const std::vector<std::int32_t> keys = folded(typed);
        const bool capitals = allCapitals(typed);
        std::vector<Hit> hits;
        for (const std::string& w : words_) {
            std::size_t at = 0;
            std::size_t i = 0;
            for (; i < keys.size() && at < w.size(); ++i) {
                std::int32_t c;
                at += next(w, at, c);
                if (fold(c) != keys[i]) break;
            }
            if (i < keys.size()) continue;
            const std::string rest = w.substr(at);
            hits.push_back({typed + (capitals ? upper(rest) : rest), w,
                            capitals ? 0 : caseRank(w.substr(0, at), typed), length(w)});
        }
        return best(hits);
    }

    // Words whose beginning is within one edit (optimal string alignment)
    // of `typed`, folded; shown as stored, or in capitals.
    std::vector<std::string> bestTwentyWithinOneEdit(const std::string& typed) const {
        const std::vector<std::int32_t> keys = folded(typed);
        const bool capitals = allCapitals(typed);
        std::vector<Hit> hits;
        for (const std::string& w : words_) {
            const std::vector<std::int32_t> word = folded(w);
            for (std::size_t n = keys.size() - 1; n <= keys.size() + 1 && n <= word.size(); ++n) {
                if (rorirer::testsupport::editDistance(
                        std::vector<std::int32_t>(word.begin(), word.begin() + n), keys) <= 1) {
                    hits.push_back({capitals ? upper(w) : w, w, 0, length(w)});
                    break;
                }
            }
        }
        return best(hits);
    }

private:
    struct Hit {
        std::string text;
        std::string word;
        int caseRank;  // lower first
        std::size_t length;
    };

    // How the stored beginning's case meets the typed one's: 0 alike, or a
    // capital typed for a small first letter; 1 a small letter typed for a
    // capital first letter; 2 any other difference.
    static int caseRank(const std::string& stored, const std::string& typed) {
        bool firstDiffers = false;
        bool restDiffers = false;
        bool typedUpper = false;
        std::size_t a = 0;
        for (std::size_t b = 0; a < stored.size() && b < typed.size();) {
            std::int32_t x;
            std::int32_t y;
            const std::size_t first = a;
            a += next(stored, a, x);
            b += next(typed, b, y);
            if (apostrophe(x) == apostrophe(y)) continue;
            if (first == 0) {
                firstDiffers = true;
                typedUpper = utf8proc_tolower(y) != y;
            } else {
                restDiffers = true;
            }
        }
        if (restDiffers) return 2;
        return firstDiffers && !typedUpper ? 1 : 0;
    }
    static std::int32_t apostrophe(std::int32_t c) { return c == 0x2019 ? '\'' : c; }

    static std::size_t next(const std::string& s, std::size_t at, std::int32_t& c) {
        const auto n = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(s.data() + at),
                                        static_cast<utf8proc_ssize_t>(s.size() - at), &c);
        return n > 0 ? static_cast<std::size_t>(n) : 1;
    }
    static std::int32_t fold(std::int32_t c) {
        c = utf8proc_tolower(c);
        return c == 0x2019 ? '\'' : c;
    }
    static std::vector<std::int32_t> folded(const std::string& s) {
        std::vector<std::int32_t> out;
        for (std::size_t at = 0; at < s.size();) {
            std::int32_t c;
            at += next(s, at, c);
            out.push_back(fold(c));
        }
        return out;
    }
    static std::size_t length(const std::string& s) { return folded(s).size(); }
    static bool allCapitals(const std::string& s) {
        int capitals = 0;
        for (std::size_t at = 0; at < s.size();) {
            std::int32_t c;
            at += next(s, at, c);
            const auto category = utf8proc_category(c);
            if (category < UTF8PROC_CATEGORY_LU || category > UTF8PROC_CATEGORY_LO) continue;
            if (utf8proc_tolower(c) == c) return false;
            ++capitals;
        }
        return capitals >= 2;
    }
    static std::string upper(const std::string& s) {
        std::string out;
        for (std::size_t at = 0; at < s.size();) {
            std::int32_t c;
            at += next(s, at, c);
            utf8proc_uint8_t buffer[4];
            const auto n = utf8proc_encode_char(utf8proc_toupper(c), buffer);
            out.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
        }
        return out;
    }
    static std::vector<std::string> best(std::vector<Hit>& hits) {
        std::sort(hits.begin(), hits.end(), [](const Hit& x, const Hit& y) {
            if (x.caseRank != y.caseRank) return x.caseRank < y.caseRank;
            if (x.length != y.length) return x.length < y.length;
            return x.word < y.word;
        });
        std::vector<std::string> out;
        std::set<std::string> seen;
        for (const Hit& h : hits) {
            if (out.size() == 20) break;
            if (seen.insert(h.text).second) out.push_back(h.text);
        }
        return out;
    }

    std::vector<std::string> words_;
};

#endif  // RORIRER_BENCH_NAIVECOMPLETER_H
