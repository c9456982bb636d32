// The walk for the longest and unique completion, on cursors that step
// through the tree a character at a time.
#include "completion/internal/CommonPrefix.h"

#include <utf8proc.h>

#include <algorithm>
#include <cstdint>
#include <utility>

#include "completion/Unicode.h"
#include "completion/internal/RankIndex.h"
#include "completion/internal/WordTable.h"
#include "wordstore/internal/TreeWalk.h"

namespace rorirer {
namespace {

// ---- Cursors: a place in the tree between two characters of the words below
// it, and the characters that may come next there. Words below are decoded as
// a whole from the cursor on: a lead byte is a character of its own only in
// the words whose next bytes do not complete it, so a cursor may carry the
// start of such a sequence, which the words below it must not complete.

struct CharCursor {
    // The list after `path`; null when `path` ends at a leaf (it is a word
    // and nothing follows).
    const LinkedTrieNode* list = nullptr;
    // The stored bytes that lead here.
    std::string path;
    // The start of a sequence that the words below must not complete.
    std::uint8_t pending[3] = {0, 0, 0};
    std::uint8_t pendingLength = 0;
};

struct NextCharacter {
    bool end = false;  // a word ends at the cursor: `path` is a word
    Character character;
    CharCursor after;
};

// Calls visit(prefix) for every byte string that, appended to the cursor's
// path, completes its pending sequence: the words below those are not the
// cursor's. Nothing when no sequence is pending.
template <typename Visit>
void forEachCompletion(const CharCursor& cursor, Visit&& visit) {
    if (cursor.pendingLength == 0) return;
    const std::uint8_t lead = cursor.pending[0];
    const int needed = utf8SequenceLength(lead) - cursor.pendingLength;
    // At most three levels: a sequence needs three bytes more at most.
    std::string bytes;
    struct Level {
        const LinkedTrieNode* node;
    };
    Level levels[3] = {{cursor.list}, {nullptr}, {nullptr}};
    int depth = 0;
    while (depth >= 0) {
        const LinkedTrieNode*& node = levels[depth].node;
        if (node == nullptr) {
            --depth;
            if (depth >= 0) {
                bytes.pop_back();
                levels[depth].node = levels[depth].node->nextSibling;
            }
            continue;
        }
        const std::uint8_t b = byteOf(node);
        if (isEndMarker(node) || !utf8Continues(lead, cursor.pendingLength + depth, b)) {
            node = node->nextSibling;
            continue;
        }
        bytes.push_back(static_cast<char>(b));
        if (depth + 1 == needed) {
            visit(std::string_view(bytes));
            bytes.pop_back();
            node = node->nextSibling;
            continue;
        }
        levels[depth + 1].node = node->firstChild;
        ++depth;
    }
}

CharCursor below(const CharCursor& cursor, const LinkedTrieNode* node, bool withPath) {
    CharCursor next;
    next.list = node->firstChild;
    if (withPath) {
        next.path.reserve(cursor.path.size() + 4);
        next.path = cursor.path;
        next.path.push_back(static_cast<char>(byteOf(node)));
    }
    return next;
}

// Whether words below `list` go on from `pending` (`length` bytes of a
// sequence led by pending[0]) without completing it. `list` null: the path
// is a word, which ends without completing it.
bool hasWordsNotCompleting(const LinkedTrieNode* list, const std::uint8_t* pending,
                           std::uint8_t length) noexcept {
    if (list == nullptr || length == 0) return true;
    const std::uint8_t lead = pending[0];
    for (const LinkedTrieNode* node = list; node != nullptr; node = node->nextSibling) {
        if (isEndMarker(node)) return true;
        const std::uint8_t b = byteOf(node);
        if (!utf8Continues(lead, length, b)) return true;
        if (length + 1 == utf8SequenceLength(lead)) continue;
        // Depth is bounded by the sequence: three bytes at most.
        std::uint8_t longer[3] = {0, 0, 0};
        std::copy(pending, pending + length, longer);
        longer[length] = b;
        if (hasWordsNotCompleting(node->firstChild, longer, static_cast<std::uint8_t>(length + 1)))
            return true;
    }
    return false;
}

// Whether any word lies below the cursor.
bool hasWords(const CharCursor& cursor) noexcept {
    return hasWordsNotCompleting(cursor.list, cursor.pending, cursor.pendingLength);
}

// Appends to `out` what may follow the cursor: its end, and each character
// with the cursor after it (without `withCursors`, only the characters: the
// cursors' paths cost copies). Looks at most four bytes ahead.
void appendNextCharacters(const CharCursor& cursor, std::vector<NextCharacter>& out,
                          bool withCursors = true) {
    if (cursor.list == nullptr) {
        out.push_back(NextCharacter{true, Character{}, CharCursor{}});
        return;
    }
    for (const LinkedTrieNode* node = cursor.list; node != nullptr; node = node->nextSibling) {
        if (isEndMarker(node)) {
            out.push_back(NextCharacter{true, Character{}, CharCursor{}});
            continue;
        }
        const std::uint8_t b = byteOf(node);
        if (cursor.pendingLength > 0 && utf8Continues(cursor.pending[0], cursor.pendingLength, b)) {
            if (cursor.pendingLength + 1 == utf8SequenceLength(cursor.pending[0])) continue;
            // Words that go on without completing the sequence: this byte
            // stands alone too.
            CharCursor after = below(cursor, node, withCursors);
            std::copy(cursor.pending, cursor.pending + cursor.pendingLength, after.pending);
            after.pending[cursor.pendingLength] = b;
            after.pendingLength = static_cast<std::uint8_t>(cursor.pendingLength + 1);
            if (hasWords(after))
                out.push_back(NextCharacter{false, Character{b, 1, false}, std::move(after)});
            continue;
        }
        const int length = utf8SequenceLength(b);
        if (length == 1) {
            out.push_back(
                NextCharacter{false, Character{b, 1, true}, below(cursor, node, withCursors)});
            continue;
        }
        if (length == 0) {
            out.push_back(
                NextCharacter{false, Character{b, 1, false}, below(cursor, node, withCursors)});
            continue;
        }
        // Each well-formed sequence below, then the lead byte on its own for
        // the words that do not complete it.
        const CharCursor lead = below(cursor, node, withCursors);
        CharCursor alone = lead;
        alone.pending[0] = b;
        alone.pendingLength = 1;
        forEachCompletion(alone, [&](std::string_view rest) {
            const LinkedTrieNode* list = lead.list;
            for (const char c : rest) list = findInList(list, widen(c))->firstChild;
            NextCharacter next;
            next.after.list = list;
            if (withCursors) {
                next.after.path = lead.path;
                next.after.path.append(rest);
            }
            const std::string bytes = std::string(1, static_cast<char>(b)) + std::string(rest);
            next.character = decodeCharacter(bytes, 0);
            out.push_back(std::move(next));
        });
        if (hasWords(alone))
            out.push_back(NextCharacter{false, Character{b, 1, false}, std::move(alone)});
    }
}

// ---- The walk.

bool sameCharacter(const Character& a, const Character& b) noexcept {
    return a.wellFormed == b.wellFormed && a.value == b.value;
}

Character upperCased(Character c) noexcept {
    if (c.wellFormed)
        c.value = static_cast<char32_t>(utf8proc_toupper(static_cast<utf8proc_int32_t>(c.value)));
    return c;
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
    std::vector<CharCursor> cursors;
    for (const MatchedPath& start : group.starts) {
        cursors.emplace_back();
        cursors.back().list = start.list;
        cursors.back().path = start.bytes;
    }
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
