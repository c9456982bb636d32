// A place in the store's tree between two characters of the words below it,
// and the characters that may come next there. Words below are decoded as a
// whole from the cursor on: a lead byte is a character of its own only in
// the words whose next bytes do not complete it, so a cursor may carry the
// start of such a sequence, which the words below it must not complete.
#ifndef RORIRER_COMPLETION_INTERNAL_CHARCURSOR_H
#define RORIRER_COMPLETION_INTERNAL_CHARCURSOR_H

#include <cstdint>
#include <string>
#include <vector>

#include "completion/Unicode.h"
#include "wordstore/LinkedTrieNode.h"

namespace rorirer {

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

// Appends to `out` what may follow the cursor: its end, and each character
// with the cursor after it (without `withCursors`, only the characters: the
// cursors' paths cost copies). Looks at most four bytes ahead.
void appendNextCharacters(const CharCursor& cursor, std::vector<NextCharacter>& out,
                          bool withCursors = true);

// Whether any word lies below the cursor.
bool hasWords(const CharCursor& cursor) noexcept;

// Calls visit(prefix) for every byte string that, appended to the cursor's
// path, completes its pending sequence: the words below those are not the
// cursor's. Nothing when no sequence is pending.
template <typename Visit>
void forEachCompletion(const CharCursor& cursor, Visit&& visit);

}  // namespace rorirer

#include "completion/internal/TrieLists.h"

namespace rorirer {

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

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_CHARCURSOR_H
