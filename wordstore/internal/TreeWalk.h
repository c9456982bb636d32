// The node encoding and the helpers that walk the tree, for the library's
// members and for the completion layer above it, which reads the tree
// through the same definitions. Internal: never installed.
#ifndef RORIRER_WORDSTORE_INTERNAL_TREEWALK_H
#define RORIRER_WORDSTORE_INTERNAL_TREEWALK_H

#include <cstddef>
#include <cstdint>

#include "wordstore/LinkedTrieNode.h"

namespace rorirer {

// A node's character: the byte sign-extended to 32 bits, whatever the
// signedness of `char` here, so that unsigned comparison orders bytes as
// unsigned values.
inline std::uint32_t widen(char ch) noexcept {
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(ch)));
}

inline char narrow(std::uint32_t character) noexcept {
    return static_cast<char>(static_cast<unsigned char>(character & 0xFFu));
}

// A node's byte as an unsigned value, for tables indexed by byte.
inline std::uint8_t byteOf(const LinkedTrieNode* node) noexcept {
    return static_cast<std::uint8_t>(node->character & 0xFFu);
}

// The node that ends a word: character 0, first in its list.
inline bool isEndMarker(const LinkedTrieNode* node) noexcept { return node->character == 0; }

// Asks for the memory of a node that will be read soon, so that its cache
// miss overlaps other work. Only a hint: without the builtin it does nothing.
inline void prefetch([[maybe_unused]] const LinkedTrieNode* node) noexcept {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(node);
#endif
}

// Where a character stands, or would stand, in a sorted list.
struct ListPosition {
    LinkedTrieNode* prev;  // the last node with a smaller character; null when none is
    LinkedTrieNode* node;  // the first node with a character not smaller; null at the end

    bool holds(std::uint32_t character) const noexcept {
        return node != nullptr && node->character == character;
    }
};

// Every list is sorted, so the scan stops at the first character not
// smaller than the one sought. Insertion links a new node after `prev`;
// removal unlinks `node` from after it.
inline ListPosition scanList(LinkedTrieNode* list, std::uint32_t character) noexcept {
    ListPosition at{nullptr, list};
    while (at.node != nullptr && at.node->character < character) {
        at.prev = at.node;
        at.node = at.node->nextSibling;
    }
    return at;
}

// The node of `list` holding `character`, or null. `list` may also be any
// node of a list, when every node before it holds a smaller character. The
// lookups need no predecessor, and testing for the match first lets the
// scan of a hit end one comparison sooner. `Node` is LinkedTrieNode or,
// for walks that only read, const LinkedTrieNode.
template <typename Node>
inline Node* findInList(Node* list, std::uint32_t character) noexcept {
    for (Node* node = list; node != nullptr; node = node->nextSibling) {
        if (node->character == character) return node;
        if (node->character > character) break;
    }
    return nullptr;
}

// Follows `text` up to its first NUL down from `list`. On success `after` is
// the list that follows the prefix (null when it ends at a leaf). `matched`
// counts the leading characters found in sequence, success or not.
template <typename Node>
inline bool walkPrefix(const char* text, Node* list, Node*& after, std::size_t& matched) noexcept {
    matched = 0;
    for (; text[matched] != '\0'; ++matched) {
        Node* node = findInList(list, widen(text[matched]));
        if (node == nullptr) return false;
        list = node->firstChild;
    }
    after = list;
    return true;
}

// The list that follows `text` below `list`, for the walks that need only
// that. A null text leads nowhere.
inline bool findListAfter(const char* text, LinkedTrieNode* list, LinkedTrieNode*& after) noexcept {
    std::size_t matched = 0;
    return text != nullptr && walkPrefix(text, list, after, matched);
}

// Frees `list`, its siblings and everything below them in constant space:
// a node's first child is rotated up in front of it until the node has no
// children, then the node is freed. Never allocates, never throws.
void freeNodes(LinkedTrieNode* list) noexcept;

}  // namespace rorirer

#endif  // RORIRER_WORDSTORE_INTERNAL_TREEWALK_H
