// A plain model of the word store: a sorted set of words and the rules of
// each query, written without a tree, to check the store against.
#ifndef RORIRER_TESTS_SUPPORT_REFERENCEMODEL_H
#define RORIRER_TESTS_SUPPORT_REFERENCEMODEL_H

#include <cstring>
#include <set>
#include <string>
#include <vector>

class ReferenceModel {
public:
    explicit ReferenceModel(long minLength = 5) : minLength_(minLength) {}

    struct Answer {
        bool result;
        std::string text;
        bool operator==(const Answer& o) const { return result == o.result && text == o.text; }
    };

    // `word` is the whole string; the store keeps it up to its first NUL.
    bool insert(const std::string& word) {
        if (static_cast<long>(word.size()) < minLength_) return false;
        const std::string stored = untilNul(word);
        if (stored.empty()) return false;
        return words_.insert(stored).second;
    }
    bool remove(const std::string& word) { return words_.erase(untilNul(word)) == 1; }
    void reset() { words_.clear(); }

    long wordCount() const { return static_cast<long>(words_.size()); }
    long minLength() const { return minLength_; }

    // The root marker, one node per distinct non-empty prefix, and an end
    // marker for every word that longer words continue.
    long nodeCount() const {
        long nodes = 1;
        const std::string* before = nullptr;
        for (auto it = words_.begin(); it != words_.end(); ++it) {
            const size_t shared = before == nullptr ? 0 : commonLength(*before, *it);
            nodes += static_cast<long>(it->size() - shared);
            auto next = std::next(it);
            if (next != words_.end() && next->compare(0, it->size(), *it) == 0) ++nodes;
            before = &*it;
        }
        return nodes;
    }

    Answer contains(const std::string& text) const {
        const std::string t = untilNul(text);
        // Every prefix of a path prefix is one too, so the longest one is
        // found by bisection and long texts stay cheap.
        size_t matched = 0;
        size_t beyond = t.size() + 1;  // the shortest length known not to match
        while (beyond - matched > 1) {
            const size_t middle = matched + (beyond - matched) / 2;
            if (isPathPrefix(t.substr(0, middle))) {
                matched = middle;
            } else {
                beyond = middle;
            }
        }
        if (matched < t.size()) return {false, t.substr(0, matched)};
        return {t.empty() || words_.count(t) == 1, t};
    }

    Answer longest(const std::string& prefix, bool skip) const {
        return complete(prefix, skip, false);
    }
    Answer unique(const std::string& prefix, bool skip) const {
        return complete(prefix, skip, true);
    }

    std::vector<std::string> list(const std::string& prefix) const {
        const std::string t = untilNul(prefix);
        std::vector<std::string> out;
        if (!isPathPrefix(t)) return out;
        // The root marker's path lists the prefix string itself when the walk
        // stops at the top level.
        if (t.empty() && !prefix.empty()) out.push_back(prefix);
        for (auto it = words_.lower_bound(t); it != words_.end() && startsWith(*it, t); ++it) {
            out.push_back(prefix + it->substr(t.size()));
        }
        return out;
    }

    const std::set<std::string>& words() const { return words_; }

private:
    static std::string untilNul(const std::string& s) { return std::string(s.c_str()); }
    static bool startsWith(const std::string& s, const std::string& p) {
        return s.compare(0, p.size(), p) == 0;
    }
    static size_t commonLength(const std::string& a, const std::string& b) {
        size_t n = 0;
        while (n < a.size() && n < b.size() && a[n] == b[n]) ++n;
        return n;
    }

    bool isPathPrefix(const std::string& p) const {
        if (p.empty()) return true;
        auto it = words_.lower_bound(p);
        return it != words_.end() && startsWith(*it, p);
    }

    // The distinct next characters of the stored words that extend `p`.
    std::vector<char> nextCharacters(const std::string& p) const {
        std::vector<char> next;
        for (auto it = words_.upper_bound(p); it != words_.end() && startsWith(*it, p);) {
            const char c = (*it)[p.size()];
            next.push_back(c);
            // Skip every word that continues with the same character.
            std::string bound = p + c;
            auto end = words_.lower_bound(bound);
            while (end != words_.end() && startsWith(*end, bound)) ++end;
            it = end;
        }
        return next;
    }

    Answer complete(const std::string& prefix, bool skip, bool unique) const {
        Answer answer{false, prefix};
        std::string current = untilNul(prefix);
        if (!isPathPrefix(current)) return answer;
        bool first = skip;
        for (;;) {
            const std::vector<char> next = nextCharacters(current);
            // The empty word's marker is the root marker, always present.
            const bool marker = current.empty() || (words_.count(current) == 1 && !next.empty());
            const size_t entries = (marker ? 1 : 0) + next.size();
            if (entries == 0) break;  // a leaf: the end of a path
            if (entries > 1 && (!first || !marker || next.size() > 1)) {
                answer.result = !unique;
                return answer;
            }
            if (next.empty()) break;  // the root marker alone: an empty store
            answer.text += next.front();
            current += next.front();
            first = false;
        }
        answer.result = true;
        return answer;
    }

    long minLength_;
    std::set<std::string> words_;
};

#endif  // RORIRER_TESTS_SUPPORT_REFERENCEMODEL_H
