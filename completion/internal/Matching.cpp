#include "completion/internal/Matching.h"

#include <cstdint>

#include "completion/Unicode.h"
#include "completion/internal/CaseFolding.h"
#include "wordstore/internal/TreeWalk.h"

namespace rorirer {
namespace {

// Follows `bytes` down from `list`, which may be the top-level list (then
// `root`); false when the tree does not hold them. Stored bytes hold no NUL.
bool followFrom(const LinkedTrieNode* root, const TopList& firsts, const LinkedTrieNode*& list,
                const std::string& bytes) noexcept {
    const char* text = bytes.c_str();
    if (list == root && *text != '\0') {
        const LinkedTrieNode* first = firsts.node(static_cast<std::uint8_t>(*text));
        if (first == nullptr) return false;
        list = first->firstChild;
        ++text;
    }
    std::size_t matched = 0;
    return walkPrefix(text, list, list, matched);
}

// The byte strings a typed character may be stored as under `rule`.
void addVariants(const Character& typed, MatchRule rule, std::vector<char32_t>& points,
                 std::vector<std::string>& out) {
    out.clear();
    if (!typed.wellFormed) {
        out.emplace_back(1, static_cast<char>(typed.value));
        return;
    }
    points.clear();
    if (rule == MatchRule::kFolded) {
        appendCaseVariants(matchKey(typed), points);
    } else if (exactKey(typed) == kApostrophe) {
        points = {kApostrophe, kRightQuote};
    } else {
        points = {typed.value};
    }
    for (const char32_t point : points) {
        out.emplace_back();
        appendCharacter(out.back(), Character{point, 1, true});
    }
}

}  // namespace

bool followPath(const LinkedTrieNode* root, const TopList& firsts, const std::string& bytes,
                const LinkedTrieNode*& list) noexcept {
    list = root;
    return followFrom(root, firsts, list, bytes);
}

std::vector<MatchedPath> findMatchingPaths(const LinkedTrieNode* root, const TopList& firsts,
                                           const std::string& typed, MatchRule rule) {
    std::vector<MatchedPath> paths;
    if (rule == MatchRule::kBytes) {
        const LinkedTrieNode* list = nullptr;
        if (followPath(root, firsts, typed, list)) paths.push_back({typed, list});
        return paths;
    }
    paths.push_back({std::string(), root});
    std::vector<MatchedPath> next;
    std::vector<char32_t> points;
    std::vector<std::string> variants;
    for (std::size_t at = 0; at < typed.size() && !paths.empty();) {
        const Character c = decodeCharacter(typed, at);
        at += c.length;
        addVariants(c, rule, points, variants);
        next.clear();
        for (const MatchedPath& path : paths) {
            for (const std::string& variant : variants) {
                const LinkedTrieNode* list = path.list;
                if (list == nullptr || !followFrom(root, firsts, list, variant)) continue;
                next.push_back({path.bytes + variant, list});
            }
        }
        paths.swap(next);
    }
    return paths;
}

}  // namespace rorirer
