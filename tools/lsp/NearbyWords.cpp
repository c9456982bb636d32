#include "lsp/NearbyWords.h"

#include <algorithm>
#include <cstring>

#include "completion/Unicode.h"
#include "completion/WordBoundaries.h"

namespace rorirer::lsp {
namespace {

bool isAsciiLetter(char c) noexcept { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

char otherCase(char c) noexcept {
    if (!isAsciiLetter(c)) return c;
    return static_cast<char>(c ^ 0x20);
}

bool beginsWithTyped(std::string_view word, std::string_view typed) noexcept {
    if (word.size() < typed.size()) return false;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        const char a = word[i];
        const char b = typed[i];
        if (a != b && !(isAsciiLetter(a) && otherCase(a) == b)) return false;
    }
    return true;
}

bool isContinuationByte(char byte) noexcept {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// A valid sequence has at most three continuation bytes, so a place three
// of them on is a character's start in any case.
std::size_t characterStart(std::string_view line, std::size_t at) noexcept {
    for (int i = 0; i < 3 && at > 0 && at < line.size() && isContinuationByte(line[at]); ++i) --at;
    return at;
}

// The first place at or after `from` (not 0) that follows a character that
// neither belongs to a word nor is an apostrophe; npos when there is none.
// The character before `from` is read too: after one such, `from` is that
// place itself.
std::size_t nextBreak(const WordRules& rules, std::string_view text, std::size_t from) noexcept {
    for (std::size_t at = characterStart(text, from - 1); at < text.size();) {
        const Character c = decodeCharacter(text, at);
        at += c.length;
        if (at >= from && !rules.isWordCharacter(c) && !rules.isApostrophe(c)) return at;
    }
    return std::string_view::npos;
}

std::size_t distance(std::size_t a, std::size_t b) noexcept { return a > b ? a - b : b - a; }

// The places of `text` that hold `first` or `other`, in order.
class BytePlaces {
public:
    BytePlaces(std::string_view text, char first, char other) noexcept
        : text_(text),
          bytes_{first, other},
          next_{find(0, 0), first == other ? npos : find(1, 0)} {}

    std::size_t next() noexcept {
        const int which = next_[1] < next_[0] ? 1 : 0;
        const std::size_t at = next_[which];
        if (at != npos) next_[which] = find(which, at + 1);
        return at;
    }

private:
    static constexpr std::size_t npos = std::string_view::npos;

    std::size_t find(int which, std::size_t from) const noexcept {
        if (from >= text_.size()) return npos;
        const void* found = std::memchr(text_.data() + from, bytes_[which], text_.size() - from);
        return found == nullptr
                   ? npos
                   : static_cast<std::size_t>(static_cast<const char*>(found) - text_.data());
    }

    std::string_view text_;
    char bytes_[2];
    std::size_t next_[2];
};

// The words of `text` that begin with `typed`, in order. Most lines hold the
// typed word's first letter somewhere, few hold the typed word: only the
// places that hold it are read by the word rule, from the nearest restart
// point before them, and no byte is read twice over, so a line costs a scan
// for one byte and little more.
void findTypedWords(const WordRules& rules, std::string_view text, std::string_view typed,
                    bool keepNumbers, std::vector<WordSpan>& spans) {
    BytePlaces places(text, typed[0], otherCase(typed[0]));
    // Everything before `read` has been read by the word rule, and a reader
    // may start there.
    std::size_t read = 0;
    for (std::size_t at = places.next(); at != std::string_view::npos; at = places.next()) {
        if (at < read || !beginsWithTyped(text.substr(at), typed)) continue;
        const std::size_t from = read + restartPointBefore(rules, text.substr(read), at - read);
        WordSpanReader reader(rules, text, from, keepNumbers);
        WordSpan span;
        bool found = false;
        while (reader.next(span)) {
            if (span.end > at) {
                found = true;
                break;
            }
        }
        if (!found) return;
        if (span.start == at) spans.push_back(span);
        // A word that starts after `at` may start at a later place: it is
        // read again from its start, where a reader may begin.
        read = span.start > at ? span.start : span.end;
    }
}

}  // namespace

LineWindow windowWithin(const WordRules& rules, std::string_view line, std::size_t from,
                        std::size_t to) noexcept {
    const std::size_t end = characterStart(line, std::min(to, line.size()));
    if (from == 0) return {0, end};
    const std::size_t start = nextBreak(rules, line.substr(0, end), from);
    return start == std::string_view::npos ? LineWindow{end, end} : LineWindow{start, end};
}

std::vector<std::string> findNearbyWords(const Document& document, const WordRules& rules,
                                         const NearbySearch& search) {
    std::vector<std::string> words;
    if (search.typed.empty() || search.limit == 0) return words;
    std::vector<WordSpan> spans;
    std::size_t budget = NearbySearch::kMaxBytes;
    const std::size_t lines = document.lineCount();
    const std::size_t cursorLine = std::min(search.cursor.line, lines - 1);

    // Reads the words of one line (or of the part of it the bytes left
    // allow) in the order given; false once enough are found or the bytes
    // are spent.
    const auto readLine = [&](std::size_t number) {
        const std::string_view line = document.lineText(number);
        const std::size_t width = std::min(line.size(), budget);
        budget -= width;
        std::size_t from = 0;
        if (number == cursorLine) {
            const std::size_t cursor = std::min(search.cursor.byte, line.size());
            from = std::min(cursor - std::min(cursor, width / 2), line.size() - width);
        } else if (number < cursorLine) {
            from = line.size() - width;
        }
        const LineWindow window = windowWithin(rules, line, from, from + width);
        const std::string_view text = line.substr(window.start, window.end - window.start);
        spans.clear();
        findTypedWords(rules, text, search.typed, search.keepNumbers, spans);
        if (!spans.empty()) {
            for (WordSpan& span : spans) {
                span.start += window.start;
                span.end += window.start;
            }
            // A word the window's end may have cut short is not the line's.
            if (!spans.empty() && window.end < line.size()) {
                const std::size_t after = spans.back().end - window.start;
                if (nextBreak(rules, text, after) == std::string_view::npos) spans.pop_back();
            }
        }
        if (number == cursorLine) {
            std::stable_sort(spans.begin(), spans.end(), [&](const WordSpan& a, const WordSpan& b) {
                return distance(a.start, search.cursor.byte) <
                       distance(b.start, search.cursor.byte);
            });
        } else if (number < cursorLine) {
            std::reverse(spans.begin(), spans.end());
        }
        for (const WordSpan& span : spans) {
            if (number == cursorLine && span.start == search.typedStart) continue;
            const std::string_view word = line.substr(span.start, span.end - span.start);
            if (std::find(words.begin(), words.end(), word) != words.end()) continue;
            words.emplace_back(word);
            if (words.size() == search.limit) return false;
        }
        return budget > 0;
    };

    if (!readLine(cursorLine)) return words;
    for (std::size_t away = 1; away <= NearbySearch::kMaxLines; ++away) {
        const bool above = away <= cursorLine;
        const bool below = cursorLine + away < lines;
        if (!above && !below) break;
        if (above && !readLine(cursorLine - away)) break;
        if (below && !readLine(cursorLine + away)) break;
    }
    return words;
}

}  // namespace rorirer::lsp
