// The stored prefixes a typed prefix matches, found by walking the store's
// tree character by character over the variants of each typed character, so
// the walk follows only what the tree holds. Every word that begins with one
// of these prefixes matches, and no other: a stored word matches when some
// beginning of it, decoded on its own, is the typed text character for
// character under the rule.
#ifndef RORIRER_COMPLETION_INTERNAL_MATCHING_H
#define RORIRER_COMPLETION_INTERNAL_MATCHING_H

#include <string>
#include <vector>

#include "completion/internal/TopList.h"
#include "wordstore/LinkedTrieNode.h"

namespace rorirer {

enum class MatchRule {
    kBytes,          // byte for byte: the store's own prefix
    kCaseSensitive,  // character for character, the two apostrophes alike
    kFolded,         // by utf8proc_tolower, the two apostrophes alike
};

struct MatchedPath {
    std::string bytes;           // the stored prefix
    const LinkedTrieNode* list;  // the list that follows it; null when it ends at a leaf
};

// `root` is the root marker, which heads the top-level list, and `firsts`
// that list's nodes by byte. `typed` holds no NUL, as no stored word does.
// Paths come in no particular order; no path is a prefix of another.
std::vector<MatchedPath> findMatchingPaths(const LinkedTrieNode* root, const TopList& firsts,
                                           const std::string& typed, MatchRule rule);

// The list after `bytes` (no NUL among them; null at a leaf), or false when
// the tree does not hold them.
bool followPath(const LinkedTrieNode* root, const TopList& firsts, const std::string& bytes,
                const LinkedTrieNode*& list) noexcept;

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_MATCHING_H
