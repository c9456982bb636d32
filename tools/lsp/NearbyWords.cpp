#include "lsp/NearbyWords.h"

#include <algorithm>
#include <cstring>

#include "completion/WordBoundaries.h"

namespace rorirer::lsp {
namespace {

bool isAsciiLetter(char c) noexcept { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

char otherCase(char c) noexcept {
    if (!isAsciiLetter(c)) return c;
    return static_cast<char>(c ^ 0x20);
}

bool matchesTyped(std::string_view line, std::size_t at, std::string_view typed) noexcept {
    if (line.size() - at < typed.size()) return false;
    for (std::size_t i = 0; i < typed.size(); ++i) {
        const char a = line[at + i];
        const char b = typed[i];
        if (a != b && !(isAsciiLetter(a) && otherCase(a) == b)) return false;
    }
    return true;
}

// Where `line` holds `first` or `other`, in order.
void findBytes(std::string_view line, char first, char other, std::vector<std::size_t>& hits) {
    hits.clear();
    if (std::memchr(line.data(), first, line.size()) == nullptr &&
        (other == first || std::memchr(line.data(), other, line.size()) == nullptr))
        return;
    for (const char byte : {first, other}) {
        const char* at = line.data();
        const char* const end = line.data() + line.size();
        while (at < end) {
            const void* found = std::memchr(at, byte, static_cast<std::size_t>(end - at));
            if (found == nullptr) break;
            const char* place = static_cast<const char*>(found);
            hits.push_back(static_cast<std::size_t>(place - line.data()));
            at = place + 1;
        }
        if (other == first) break;
    }
    std::sort(hits.begin(), hits.end());
}

std::size_t distance(std::size_t a, std::size_t b) noexcept { return a > b ? a - b : b - a; }

}  // namespace

std::vector<std::string> findNearbyWords(const Document& document, const WordRules& rules,
                                         const NearbySearch& search) {
    std::vector<std::string> words;
    if (search.typed.empty() || search.limit == 0) return words;
    const char first = search.typed[0];
    std::vector<std::size_t> hits;
    std::size_t bytesRead = 0;
    const std::size_t lines = document.lineCount();
    const std::size_t cursorLine = std::min(search.cursor.line, lines - 1);

    // Reads one line's words in the order given; false once enough are found.
    const auto readLine = [&](std::size_t number) {
        const std::string_view line = document.lineText(number);
        bytesRead += line.size();
        findBytes(line, first, otherCase(first), hits);
        if (number == cursorLine) {
            std::stable_sort(hits.begin(), hits.end(), [&](std::size_t a, std::size_t b) {
                return distance(a, search.cursor.byte) < distance(b, search.cursor.byte);
            });
        } else if (number < cursorLine) {
            std::reverse(hits.begin(), hits.end());
        }
        for (const std::size_t at : hits) {
            if (number == cursorLine && at == search.typedStart) continue;
            if (!matchesTyped(line, at, search.typed)) continue;
            const std::size_t end = wordEndFrom(rules, line, at, search.keepNumbers);
            if (end == at) continue;
            const std::string_view word = line.substr(at, end - at);
            if (std::find(words.begin(), words.end(), word) != words.end()) continue;
            words.emplace_back(word);
            if (words.size() == search.limit) return false;
        }
        return bytesRead < NearbySearch::kMaxBytes;
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
