#include "completion/WordBoundaries.h"

namespace rorirer {
namespace {

bool givesWord(std::uint8_t step, bool keepNumbers) noexcept {
    return (step & WordScanner::kEnds) != 0 &&
           (keepNumbers || (step & WordScanner::kEndsNumber) == 0);
}

}  // namespace

bool WordSpanReader::next(WordSpan& span) noexcept {
    while (at_ < line_.size()) {
        const std::size_t here = at_;
        const Character c = decodeCharacter(line_, here);
        at_ += c.length;
        const std::uint8_t step = scanner_.take(c);
        const bool given = givesWord(step, keepNumbers_);
        if (given) span = {start_, (step & WordScanner::kEndsAtHeld) != 0 ? held_ : here};
        if ((step & WordScanner::kStarts) != 0) start_ = here;
        if ((step & WordScanner::kHolds) != 0) held_ = here;
        if (given) return true;
    }
    if (finished_) return false;
    finished_ = true;
    const std::uint8_t step = scanner_.finish();
    if (!givesWord(step, keepNumbers_)) return false;
    span = {start_, (step & WordScanner::kEndsAtHeld) != 0 ? held_ : line_.size()};
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

std::size_t restartPointAfter(const WordRules& rules, std::string_view line,
                              std::size_t at) noexcept {
    for (std::size_t i = at == 0 ? 0 : at - 1; i < line.size(); ++i) {
        const auto byte = static_cast<unsigned char>(line[i]);
        if (byte >= 0x80) continue;
        const Character c{byte, 1, true};
        if (!rules.isWordCharacter(c) && !rules.isApostrophe(c)) return i + 1;
    }
    return std::string_view::npos;
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

std::size_t wordStartBeforeCursor(const WordRules& rules, std::string_view line,
                                  std::size_t cursor) noexcept {
    const std::string_view before = line.substr(0, cursor < line.size() ? cursor : line.size());
    WordScanner scanner(rules);
    std::size_t start = 0;
    for (std::size_t at = restartPointBefore(rules, before, before.size()); at < before.size();) {
        const Character c = decodeCharacter(before, at);
        if ((scanner.take(c) & WordScanner::kStarts) != 0) start = at;
        at += c.length;
    }
    return scanner.inWord() ? start : before.size();
}

}  // namespace rorirer
