#include "completion/internal/CommonPrefix.h"

#include <utf8proc.h>

#include <algorithm>
#include <cstdint>

#include "completion/internal/RankIndex.h"
#include "completion/internal/WordTable.h"

namespace rorirer {
namespace {

bool sameCharacter(const Character& a, const Character& b) noexcept {
    return a.wellFormed == b.wellFormed && a.value == b.value;
}

Character upperCased(Character c) noexcept {
    if (c.wellFormed)
        c.value = static_cast<char32_t>(utf8proc_toupper(static_cast<utf8proc_int32_t>(c.value)));
    return c;
}

std::size_t characterCount(std::string_view text) noexcept {
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size(); ++count) at += decodeCharacter(text, at).length;
    return count;
}

bool startsWith(std::string_view text, std::string_view prefix) noexcept {
    return text.substr(0, prefix.size()) == prefix;
}

// Decides which branches of the walk hold words that count.
class Liveness {
public:
    Liveness(const std::vector<std::string>& excluded, const RankIndex& index,
             const WordTable& table)
        : excluded_(excluded), index_(index), table_(table) {}

    bool excludesAny() const { return !excluded_.empty(); }

    bool isExcluded(std::string_view word) const {
        return std::find(excluded_.begin(), excluded_.end(), word) != excluded_.end();
    }

    // Whether a word that counts lies below `cursor`; only excluded words
    // below it need the index to tell.
    bool hasCountedWords(const CharCursor& cursor) const {
        std::uint32_t excludedBelow = 0;
        for (const std::string& word : excluded_)
            if (isBelow(cursor, word)) ++excludedBelow;
        if (excludedBelow == 0) return true;
        std::uint32_t words = count(cursor.path);
        forEachCompletion(cursor, [&](std::string_view rest) {
            words -= count(cursor.path + std::string(rest));
        });
        return words > excludedBelow;
    }

private:
    std::uint32_t count(std::string_view prefix) const {
        const RankRange range = index_.rangeOf(prefix, table_);
        return range.end - range.begin;
    }

    static bool isBelow(const CharCursor& cursor, std::string_view word) {
        if (word.empty() || !startsWith(word, cursor.path)) return false;
        if (cursor.pendingLength == 0) return true;
        // Below unless the bytes after the path complete the pending sequence.
        const std::uint8_t lead = cursor.pending[0];
        const int needed = utf8SequenceLength(lead) - cursor.pendingLength;
        const std::string_view rest = word.substr(cursor.path.size());
        for (int i = 0; i < needed; ++i) {
            if (static_cast<std::size_t>(i) >= rest.size() ||
                !utf8Continues(lead, cursor.pendingLength + i,
                               static_cast<std::uint8_t>(rest[static_cast<std::size_t>(i)])))
                return true;
        }
        return false;
    }

    const std::vector<std::string>& excluded_;
    const RankIndex& index_;
    const WordTable& table_;
};

// Whether every cursor goes on with one and the same character and none
// ends: otherwise `end` and `live` (characters only) say what follows.
bool lookedAhead(const std::vector<CharCursor>& cursors, bool upperCase, bool& end,
                 std::vector<NextCharacter>& live) {
    std::vector<NextCharacter> found;
    for (const CharCursor& cursor : cursors) {
        found.clear();
        appendNextCharacters(cursor, found, false);
        for (NextCharacter& next : found) {
            if (next.end) {
                end = true;
                continue;
            }
            if (upperCase) next.character = upperCased(next.character);
            live.push_back(std::move(next));
        }
    }
    if (end || live.empty()) return false;
    for (const NextCharacter& next : live)
        if (!sameCharacter(next.character, live.front().character)) return false;
    return true;
}

// One group walked as far as its renderings agree.
struct GroupWalk {
    bool live = false;
    bool unique = false;
    std::string text;
    // The characters of `text`, those of `rendered` decoded on their own
    // and then those the walk added, and where each ends.
    std::vector<Character> characters;
    std::vector<std::size_t> ends;
    // What follows `text` in the renderings.
    std::vector<Character> next;
    bool nextEnd = false;
};

GroupWalk walkGroup(const RenderGroup& group, bool upperCase, const Liveness& liveness) {
    GroupWalk walk;
    walk.text = group.rendered;
    for (std::size_t at = 0; at < walk.text.size();) {
        const Character c = decodeCharacter(walk.text, at);
        at += c.length;
        walk.characters.push_back(c);
        walk.ends.push_back(at);
    }
    std::vector<CharCursor> cursors = group.cursors;
    std::vector<NextCharacter> found;
    std::vector<NextCharacter> live;
    for (bool first = true;; first = false) {
        live.clear();
        bool end = false;
        // Where no word is excluded, most walks stop at their first step:
        // the characters alone decide that, and cursors are made only to go
        // on.
        const bool stopsHere =
            !liveness.excludesAny() && !lookedAhead(cursors, upperCase, end, live);
        if (!stopsHere) {
            live.clear();
            end = false;
            for (const CharCursor& cursor : cursors) {
                found.clear();
                appendNextCharacters(cursor, found);
                for (NextCharacter& next : found) {
                    if (next.end) {
                        end = end || !liveness.isExcluded(cursor.path);
                    } else if (liveness.hasCountedWords(next.after)) {
                        if (upperCase) next.character = upperCased(next.character);
                        live.push_back(std::move(next));
                    }
                }
            }
        }
        if (!end && live.empty()) {
            // Only the first step can find nothing: later ones follow live
            // branches.
            walk.live = !first;
            return walk;
        }
        walk.live = true;
        walk.nextEnd = end;
        walk.next.clear();
        for (const NextCharacter& next : live) walk.next.push_back(next.character);
        if (end && live.empty()) {
            walk.unique = true;
            return walk;
        }
        if (end) return walk;
        const Character common = live.front().character;
        for (const NextCharacter& next : live)
            if (!sameCharacter(next.character, common)) return walk;
        appendCharacter(walk.text, common);
        walk.characters.push_back(common);
        walk.ends.push_back(walk.text.size());
        cursors.clear();
        for (NextCharacter& next : live) cursors.push_back(std::move(next.after));
    }
}

// Whether every rendering of the group has a character boundary and a
// grapheme break `at` bytes in.
class Breaks {
public:
    explicit Breaks(const GroupWalk& walk) : walk_(walk) {
        const std::size_t m = walk.characters.size();
        breakAfter_.assign(m + 1, true);
        std::int32_t state = 0;
        for (std::size_t i = 1; i < m; ++i)
            breakAfter_[i] = isGraphemeBreak(walk.characters[i - 1], walk.characters[i], state);
        if (m > 0) {
            for (const Character& next : walk.next) {
                std::int32_t copy = state;
                if (!isGraphemeBreak(walk.characters[m - 1], next, copy)) breakAfter_[m] = false;
            }
        }
    }

    bool allowsCutAt(std::size_t at) const {
        if (at == 0) return true;
        const auto found = std::lower_bound(walk_.ends.begin(), walk_.ends.end(), at);
        if (found == walk_.ends.end() || *found != at) return false;
        return breakAfter_[static_cast<std::size_t>(found - walk_.ends.begin()) + 1];
    }

private:
    const GroupWalk& walk_;
    // breakAfter_[i]: a break after the first i characters.
    std::vector<bool> breakAfter_;
};

}  // namespace

CommonCompletion findCommonCompletion(const std::vector<RenderGroup>& groups, bool upperCase,
                                      const std::vector<std::string>& excluded,
                                      std::string_view typed, const RankIndex& index,
                                      const WordTable& table) {
    const Liveness liveness(excluded, index, table);
    std::vector<GroupWalk> walks;
    for (const RenderGroup& group : groups) {
        GroupWalk walk = walkGroup(group, upperCase, liveness);
        if (walk.live) walks.push_back(std::move(walk));
    }
    CommonCompletion result;
    result.longest = std::string(typed);
    if (walks.empty()) return result;
    result.any = true;

    bool unique = true;
    std::size_t common = walks.front().text.size();
    for (const GroupWalk& walk : walks) {
        unique = unique && walk.unique && walk.text == walks.front().text;
        const std::string& first = walks.front().text;
        std::size_t shared = 0;
        while (shared < common && shared < walk.text.size() && walk.text[shared] == first[shared])
            ++shared;
        common = shared;
    }
    if (unique) result.unique = walks.front().text;

    std::vector<Breaks> breaks;
    breaks.reserve(walks.size());
    for (const GroupWalk& walk : walks) breaks.emplace_back(walk);
    std::size_t cut = common;
    for (;; --cut) {
        bool everywhere = true;
        for (const Breaks& b : breaks) everywhere = everywhere && b.allowsCutAt(cut);
        if (everywhere || cut == 0) break;
    }
    const std::string longest = walks.front().text.substr(0, cut);
    if (characterCount(longest) >= characterCount(typed)) result.longest = longest;
    return result;
}

}  // namespace rorirer
