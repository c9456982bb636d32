#include "completion/internal/CaseFolding.h"

#include <utf8proc.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace rorirer {
namespace {

char32_t lower(char32_t c) noexcept {
    return static_cast<char32_t>(utf8proc_tolower(static_cast<utf8proc_int32_t>(c)));
}

char32_t foldApostrophe(char32_t c) noexcept { return c == kRightQuote ? kApostrophe : c; }

// (key, code point) for every code point whose key is not itself, and for
// each such key that is its own key, (key, key); sorted.
struct InverseFolding {
    std::vector<std::pair<MatchKey, char32_t>> pairs;

    InverseFolding() {
        for (char32_t c = 0; c < 0x110000; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF) continue;
            const MatchKey key = foldApostrophe(lower(c));
            if (key != c) pairs.emplace_back(key, c);
        }
        const std::size_t folded = pairs.size();
        for (std::size_t i = 0; i < folded; ++i) {
            const MatchKey key = pairs[i].first;
            if (foldApostrophe(lower(key)) == key) pairs.emplace_back(key, key);
        }
        std::sort(pairs.begin(), pairs.end());
        pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
    }
};

const InverseFolding& inverseFolding() {
    static const InverseFolding table;
    return table;
}

}  // namespace

MatchKey matchKey(const Character& character) noexcept {
    if (!character.wellFormed) return kByteKeyBase + character.value;
    return foldApostrophe(lower(character.value));
}

MatchKey exactKey(const Character& character) noexcept {
    if (!character.wellFormed) return kByteKeyBase + character.value;
    return foldApostrophe(character.value);
}

void appendCaseVariants(MatchKey key, std::vector<char32_t>& out) {
    if (key >= kByteKeyBase) return;
    const auto& pairs = inverseFolding().pairs;
    auto at = std::lower_bound(pairs.begin(), pairs.end(), std::make_pair(key, char32_t{0}));
    if (at == pairs.end() || at->first != key) {
        // No other code point folds to `key`: it matches itself, unless it
        // folds elsewhere and so matches nothing.
        if (foldApostrophe(lower(key)) == key) out.push_back(key);
        return;
    }
    for (; at != pairs.end() && at->first == key; ++at) out.push_back(at->second);
}

bool isUpperCase(char32_t c) noexcept { return lower(c) != c; }

bool isLetter(char32_t c) noexcept {
    switch (utf8proc_category(static_cast<utf8proc_int32_t>(c))) {
        case UTF8PROC_CATEGORY_LU:
        case UTF8PROC_CATEGORY_LL:
        case UTF8PROC_CATEGORY_LT:
        case UTF8PROC_CATEGORY_LM:
        case UTF8PROC_CATEGORY_LO:
            return true;
        default:
            return false;
    }
}

bool isAllCapitals(std::string_view text) noexcept {
    int capitals = 0;
    for (std::size_t at = 0; at < text.size();) {
        const Character c = decodeCharacter(text, at);
        at += c.length;
        if (!c.wellFormed || !isLetter(c.value)) continue;
        if (!isUpperCase(c.value)) return false;
        ++capitals;
    }
    return capitals >= 2;
}

void appendUpperCased(std::string& out, std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        Character c = decodeCharacter(text, at);
        at += c.length;
        if (c.wellFormed)
            c.value =
                static_cast<char32_t>(utf8proc_toupper(static_cast<utf8proc_int32_t>(c.value)));
        appendCharacter(out, c);
    }
}

bool hasUpperCase(std::string_view text) noexcept {
    for (std::size_t at = 0; at < text.size();) {
        const Character c = decodeCharacter(text, at);
        at += c.length;
        if (c.wellFormed && isLetter(c.value) && isUpperCase(c.value)) return true;
    }
    return false;
}

void appendFolded(std::string& out, std::string_view text) {
    out.reserve(out.size() + text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x80) {
            out.push_back(byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte + 0x20)
                                                     : static_cast<char>(byte));
            ++at;
            continue;
        }
        Character c = decodeCharacter(text, at);
        at += c.length;
        if (c.wellFormed) c.value = matchKey(c);
        appendCharacter(out, c);
    }
}

}  // namespace rorirer
