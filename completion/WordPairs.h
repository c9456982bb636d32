// Which word followed which in the text a host has seen: the pair part of
// the ranking model, P(word | previous word), asked through
// Query::context. The language server counts the pairs of its open
// documents, the interactive program those of the lines entered.
//
// The previous word is kept folded, so "The" and "the" are one context; the
// word after it as written (NFC, as the store keeps words), so that a
// sentence's "The" and a "the" within one stay apart. The start of a
// sentence is a context of its own, named by the empty word.
//
// At most `mostPairs` distinct pairs are counted: once that many are, a new
// pair is not, and taking away one that was never counted does nothing, so
// the counts stay within what was added.
//
// Failures: add() throws std::bad_alloc and leaves the counts as they were.
// Const members change nothing.
#ifndef RORIRER_COMPLETION_WORDPAIRS_H
#define RORIRER_COMPLETION_WORDPAIRS_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "completion/WordBoundaries.h"
#include "completion/WordRules.h"

namespace rorirer {

class WordPairs {
public:
    static constexpr std::size_t kDefaultMostPairs = std::size_t{1} << 16;

    explicit WordPairs(std::size_t mostPairs = kDefaultMostPairs) : mostPairs_(mostPairs) {}

    // `previous` empty: `word` began a sentence.
    void add(std::string_view previous, std::string_view word, std::uint32_t n = 1);
    // Takes away up to `n` occurrences of the pair.
    void remove(std::string_view previous, std::string_view word, std::uint32_t n = 1) noexcept;
    void clear() noexcept;

    std::uint32_t count(std::string_view previous, std::string_view word) const;
    // Occurrences of every pair after `previous`.
    std::uint64_t countAfter(std::string_view previous) const;
    // Calls visit(word, count) for the words counted after `previous` whose
    // folded form (matchKey per character, as the store matches) begins
    // with `foldedPrefix`, in byte order of the folded forms.
    template <typename Visit>
    void forEachAfter(std::string_view previous, std::string_view foldedPrefix,
                      Visit&& visit) const;

    std::size_t size() const noexcept { return pairs_; }
    std::size_t mostPairs() const noexcept { return mostPairs_; }
    // Pairs not counted because the bound was reached.
    std::uint64_t dropped() const noexcept { return dropped_; }
    // Heap bytes, as allocated, estimated for the hash nodes.
    std::size_t memoryBytes() const noexcept;

private:
    // The words seen after one word. Each follower's key (the folded word,
    // a NUL, then the word as written) is kept in `keys`, and `next` holds
    // where, sorted by key: small entries that a new follower moves cheaply
    // and a query reads in one sweep. Keys of followers taken away stay in
    // `keys` as `unused` bytes until they are half of it.
    struct Next {
        std::uint32_t offset;
        std::uint32_t length;
        std::uint32_t count;
    };
    struct After {
        std::uint64_t total = 0;
        std::string keys;
        std::vector<Next> next;
        std::size_t unused = 0;

        std::string_view keyOf(const Next& n) const noexcept {
            return std::string_view(keys).substr(n.offset, n.length);
        }
        std::vector<Next>::const_iterator lowerBound(std::string_view key) const noexcept;
        // Keeps the keys in use only; nothing changes when that fails.
        void compact() noexcept;
    };
    static std::string keyOf(std::string_view word);
    static std::string contextOf(std::string_view previous);
    const After* find(std::string_view previous) const;

    std::unordered_map<std::string, After> after_;
    std::size_t pairs_ = 0;
    std::size_t mostPairs_;
    std::uint64_t dropped_ = 0;
};

template <typename Visit>
void WordPairs::forEachAfter(std::string_view previous, std::string_view foldedPrefix,
                             Visit&& visit) const {
    const After* after = find(previous);
    if (after == nullptr) return;
    for (auto at = after->lowerBound(foldedPrefix); at != after->next.end(); ++at) {
        const std::string_view key = after->keyOf(*at);
        if (key.compare(0, foldedPrefix.size(), foldedPrefix) != 0) break;
        visit(key.substr(key.find('\0') + 1), at->count);
    }
}

// Feeds a WordPairs text line by line as the pair model reads it: a
// sentence ends at '.', '!' or '?' after a word, at a blank line, and at a
// line with no word; otherwise a line goes on from the last word of the line
// before. Words of digits alone are passed over unless `keepNumbers`.
class PairReader {
public:
    // What the next word follows: a word, or the start of a sentence (empty).
    struct Context {
        std::string previous;
        bool sentenceStart = true;
    };

    // `rules` must outlive the reader.
    PairReader(const WordRules& rules, bool keepNumbers) : rules_(rules), numbers_(keepNumbers) {}

    // Calls pair(previous, word) for each word of `line` (previous empty at a
    // sentence's start), going on from `context`, which becomes what follows
    // the line. `line` holds no line end.
    template <typename Pair>
    void readLine(std::string_view line, Context& context, Pair&& pair) const {
        if (!readText(line, context, pair)) endSentence(context);
    }
    // As readLine for line[from, to), `from` a restart point
    // (completion/WordBoundaries.h) and `to` the end of a word or of the
    // line, `context` what line[0, from) left: a part without words ends a
    // sentence by its own '.', '!' or '?', or when the line has no word.
    template <typename Pair>
    void readPart(std::string_view line, std::size_t from, std::size_t to, Context& context,
                  Pair&& pair) const {
        if (!readText(line.substr(from, to - from), context, pair) &&
            !hasWord(line.substr(0, from)) && !hasWord(line.substr(to)))
            endSentence(context);
    }
    // What follows the words of line[0, end) when `context` preceded the
    // line, and a word may follow there: for the word being typed at `end`.
    void readUpTo(std::string_view line, std::size_t end, Context& context) const;

    const WordRules& rules() const noexcept { return rules_; }
    bool keepsNumbers() const noexcept { return numbers_; }

private:
    // Reads the words of `text` going on from `context`; false when it has
    // none, and then only its own '.', '!' or '?' end a sentence.
    template <typename Pair>
    bool readText(std::string_view text, Context& context, Pair& pair) const;
    bool hasWord(std::string_view text) const noexcept;
    static void endSentence(Context& context) noexcept {
        context.previous.clear();
        context.sentenceStart = true;
    }

    // Whether a gap between words (or after the last) ends a sentence.
    static bool endsSentence(std::string_view gap) noexcept;

    const WordRules& rules_;
    bool numbers_;
};

template <typename Pair>
bool PairReader::readText(std::string_view text, Context& context, Pair& pair) const {
    // Each gap is judged when the word after it is met, so the words need
    // not be gathered first.
    WordSpanReader reader(rules_, text, 0, numbers_);
    WordSpan span;
    std::size_t gapStart = 0;
    bool any = false;
    while (reader.next(span)) {
        if (endsSentence(text.substr(gapStart, span.start - gapStart))) endSentence(context);
        const std::string_view word = text.substr(span.start, span.end - span.start);
        pair(context.sentenceStart ? std::string_view() : std::string_view(context.previous), word);
        context.previous.assign(word);
        context.sentenceStart = false;
        gapStart = span.end;
        any = true;
    }
    if (endsSentence(text.substr(gapStart))) endSentence(context);
    return any;
}

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_WORDPAIRS_H
