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
    const char first = search.typed[0];
    const char other = otherCase(first);
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
        if (std::memchr(text.data(), first, text.size()) != nullptr ||
            std::memchr(text.data(), other, text.size()) != nullptr) {
            WordSpanReader reader(rules, text, 0, search.keepNumbers);
            WordSpan span;
            while (reader.next(span)) {
                if (beginsWithTyped(text.substr(span.start, span.end - span.start), search.typed))
                    spans.push_back({window.start + span.start, window.start + span.end});
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
