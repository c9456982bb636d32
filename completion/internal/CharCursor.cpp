#include "completion/internal/CharCursor.h"

#include <algorithm>
#include <utility>

namespace rorirer {
namespace {

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

}  // namespace

bool hasWords(const CharCursor& cursor) noexcept {
    return hasWordsNotCompleting(cursor.list, cursor.pending, cursor.pendingLength);
}

void appendNextCharacters(const CharCursor& cursor, std::vector<NextCharacter>& out,
                          bool withCursors) {
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
            for (const char c : rest)
                list = findByte(list, static_cast<std::uint8_t>(c))->firstChild;
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

}  // namespace rorirer
