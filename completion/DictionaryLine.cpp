#include "completion/DictionaryLine.h"

#include <limits>

namespace rorirer {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trimTrailingBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

DictionaryLine parseDictionaryLine(std::string_view line) noexcept {
    DictionaryLine parsed;
    line = trimTrailingBlanks(line);
    parsed.word = line;
    const std::size_t tab = line.rfind('\t');
    if (tab == std::string_view::npos || tab + 1 == line.size()) return parsed;
    std::uint64_t count = 0;
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    for (std::size_t i = tab + 1; i < line.size(); ++i) {
        const char c = line[i];
        if (c < '0' || c > '9') return parsed;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        count = count > (kMax - digit) / 10 ? kMax : count * 10 + digit;
    }
    parsed.word = trimTrailingBlanks(line.substr(0, tab));
    parsed.count = count;
    parsed.hasCount = true;
    return parsed;
}

}  // namespace rorirer
