// What a query matched and how its candidates are shown: the stored
// prefixes it matched, each with its rank range, the prefix spelled
// exactly as typed among them, and the word under the cursor whose one
// occurrence does not count.
#ifndef RORIRER_COMPLETION_INTERNAL_QUERYPLAN_H
#define RORIRER_COMPLETION_INTERNAL_QUERYPLAN_H

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "completion/internal/CaseFolding.h"
#include "completion/internal/RankIndex.h"
#include "completion/internal/TrieLists.h"
#include "completion/internal/WordTable.h"
#include "wordstore/LinkedTrieNode.h"

namespace rorirer {

inline bool startsWith(std::string_view text, std::string_view prefix) noexcept {
    return text.substr(0, prefix.size()) == prefix;
}

// Every well-formed character upper-cased, the text decoded on its own.
inline std::string upperAlone(std::string_view text) {
    std::string out;
    appendUpperCased(out, text);
    return out;
}

struct Path {
    std::string bytes;
    const LinkedTrieNode* list;
    RankRange range;
};

inline bool isWordAt(const Path& path) noexcept {
    return path.list == nullptr || isEndMarker(path.list);
}

// What the query matched and how its candidates are shown.
struct Plan {
    std::string typed;
    bool infer = false;
    bool capitals = false;
    bool fuzzy = false;
    std::vector<Path> paths;      // sorted by bytes, none a prefix of another
    const Path* exact = nullptr;  // the path spelled exactly as typed
    std::uint64_t matched = 0;    // stored words in the ranges

    // The path `word` lies below, or null.
    const Path* pathOf(std::string_view word) const noexcept {
        auto after = std::upper_bound(
            paths.begin(), paths.end(), word,
            [](std::string_view w, const Path& p) { return w < std::string_view(p.bytes); });
        if (after == paths.begin()) return nullptr;
        const Path& p = *std::prev(after);
        return startsWith(word, p.bytes) ? &p : nullptr;
    }

    std::string render(std::string_view word, const Path& path) const {
        const std::string_view rest = word.substr(path.bytes.size());
        if (fuzzy) {
            return capitals ? upperAlone(path.bytes) + upperAlone(rest) : std::string(word);
        }
        if (!infer) return std::string(word);
        return capitals ? typed + upperAlone(rest) : typed + std::string(rest);
    }
};

// The word under the cursor, one occurrence of which does not count.
struct Discount {
    std::uint32_t id = WordTable::kNoWord;
    bool gone = false;            // nothing else keeps it a candidate
    std::uint64_t frequency = 0;  // without that occurrence
};

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_QUERYPLAN_H
