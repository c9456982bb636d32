// The typo fallback's search: the stored prefixes whose characters, decoded
// on their own and folded, are within one edit of the typed prefix
// (insertion, deletion, substitution, or two adjacent characters swapped:
// the optimal string alignment distance). Every word below such a prefix
// begins within one edit of what was typed.
//
// The walk keeps a row of the edit-distance table per character of the path,
// decodes UTF-8 along the path, and leaves a branch once its row holds
// nothing within one edit: a row's minimum never falls as the path grows. It
// stops at the first prefix that matches, so no prefix found lies below
// another. Its stack is its own, never the call stack.
#ifndef RORIRER_COMPLETION_INTERNAL_FUZZYWALK_H
#define RORIRER_COMPLETION_INTERNAL_FUZZYWALK_H

#include <string>
#include <vector>

#include "completion/internal/CaseFolding.h"
#include "wordstore/LinkedTrieNode.h"

namespace rorirer {

// `typed` holds the typed prefix's characters as matchKey()s.
std::vector<std::string> findPrefixesWithinOneEdit(const LinkedTrieNode* top,
                                                   const std::vector<MatchKey>& typed);

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_FUZZYWALK_H
