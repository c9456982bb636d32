// The longest common completion and the unique completion of a query,
// found by walking the tree below the matched prefixes character by
// character, never by listing the words.
//
// The candidates come in groups: every rendering of a group is its
// `rendered` text followed by the characters of a stored word after one of
// its cursors, as they are or upper-cased. Those characters are decoded on
// their own, so a rendering's characters are those of `rendered` and then
// those of the rest, with a boundary between. The longest common completion
// is the longest common prefix of all renderings, cut back to the last
// place that is a character boundary and a grapheme break in every one of
// them (judged by utf8proc, with each rendering's next character), and never
// fewer characters than the typed prefix: then it is the typed prefix. The
// unique completion is the one rendering, when there is exactly one.
#ifndef RORIRER_COMPLETION_INTERNAL_COMMONPREFIX_H
#define RORIRER_COMPLETION_INTERNAL_COMMONPREFIX_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "completion/internal/Matching.h"

namespace rorirer {

class RankIndex;
class WordTable;

struct RenderGroup {
    std::string rendered;
    // The stored prefixes whose words the group renders, each ending at a
    // character boundary of those words.
    std::vector<MatchedPath> starts;
};

struct CommonCompletion {
    bool any = false;  // some rendering exists
    std::string longest;
    std::optional<std::string> unique;
};

// `excluded`: stored words that do not count here. The empty word stands
// for itself at the root, as the store counts it.
CommonCompletion findCommonCompletion(const std::vector<RenderGroup>& groups, bool upperCase,
                                      const std::vector<std::string>& excluded,
                                      std::string_view typed, const RankIndex& index,
                                      const WordTable& table);

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_COMMONPREFIX_H
