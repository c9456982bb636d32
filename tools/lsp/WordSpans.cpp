#include "lsp/internal/WordSpans.h"

#include "completion/Unicode.h"

namespace rorirer::lsp {
namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

}  // namespace

// The states of WordSplitter::takeCharacter, kept as positions instead of
// bytes: a word under way from `start`, and an apostrophe after letters
// that waits for the character deciding whether it joins.
bool WordSpanReader::next(WordSpan& span) noexcept {
    bool inWord = false;
    bool allDigits = true;
    bool lastWasLetter = false;
    std::size_t start = 0;
    std::size_t apostrophe = kNone;
    while (at_ < line_.size()) {
        const std::size_t here = at_;
        const Character c = decodeCharacter(line_, here);
        if (apostrophe != kNone) {
            if (rules_.isLetter(c)) {
                apostrophe = kNone;
                allDigits = false;
                lastWasLetter = true;
                at_ += c.length;
                continue;
            }
            // The word ended before the apostrophe; `c` is read afresh, on
            // the next call when the word is given now.
            const std::size_t end = apostrophe;
            apostrophe = kNone;
            inWord = false;
            if (keepNumbers_ || !allDigits) {
                span = {start, end};
                return true;
            }
        }
        if (rules_.isWordCharacter(c)) {
            if (!inWord) {
                start = here;
                allDigits = true;
            }
            inWord = true;
            allDigits = allDigits && rules_.isDigit(c);
            lastWasLetter = rules_.isLetter(c);
        } else if (inWord && lastWasLetter && rules_.isApostrophe(c)) {
            apostrophe = here;
        } else if (inWord) {
            inWord = false;
            if (keepNumbers_ || !allDigits) {
                span = {start, here};
                at_ = here + c.length;
                return true;
            }
        }
        at_ += c.length;
    }
    if (!inWord || (!keepNumbers_ && allDigits)) return false;
    span = {start, apostrophe != kNone ? apostrophe : line_.size()};
    return true;
}

std::size_t restartPointBefore(const WordRules& rules, std::string_view line,
                               std::size_t at) noexcept {
    for (std::size_t i = at < line.size() ? at : line.size(); i > 0; --i) {
        const auto byte = static_cast<unsigned char>(line[i - 1]);
        if (byte >= 0x80) continue;
        const Character c{byte, 1, true};
        if (!rules.isWordCharacter(c) && !rules.isApostrophe(c)) return i;
    }
    return 0;
}

std::size_t wordEndFrom(const WordRules& rules, std::string_view line, std::size_t start,
                        bool keepNumbers) noexcept {
    WordSpanReader reader(rules, line, restartPointBefore(rules, line, start), keepNumbers);
    WordSpan span;
    while (reader.next(span)) {
        if (span.end <= start) continue;
        return span.start == start ? span.end : start;
    }
    return start;
}

std::size_t typedWordStart(const WordRules& rules, std::string_view line,
                           std::size_t cursor) noexcept {
    if (cursor > line.size()) cursor = line.size();
    const std::size_t from = restartPointBefore(rules, line, cursor);
    return from + wordStartBeforeCursor(rules, line.substr(from), cursor - from);
}

}  // namespace rorirer::lsp
