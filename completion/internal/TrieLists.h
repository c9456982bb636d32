// Reading the store's tree from the completion layer: a node's byte, and
// finding a byte in a sorted list. The layer only reads the tree; the store
// changes it.
#ifndef RORIRER_COMPLETION_INTERNAL_TRIELISTS_H
#define RORIRER_COMPLETION_INTERNAL_TRIELISTS_H

#include <cstdint>

#include "wordstore/LinkedTrieNode.h"

namespace rorirer {

inline std::uint8_t byteOf(const LinkedTrieNode* node) noexcept {
    return static_cast<std::uint8_t>(node->character & 0xFFu);
}

// A node holds its byte sign-extended to 32 bits, so lists sort as unsigned
// bytes.
inline std::uint32_t nodeCharacter(std::uint8_t byte) noexcept {
    return static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int8_t>(byte)));
}

inline bool isEndMarker(const LinkedTrieNode* node) noexcept { return node->character == 0; }

// The node of `list` that holds `byte`, or null.
inline const LinkedTrieNode* findByte(const LinkedTrieNode* list, std::uint8_t byte) noexcept {
    const std::uint32_t wanted = nodeCharacter(byte);
    for (const LinkedTrieNode* node = list; node != nullptr; node = node->nextSibling) {
        if (node->character == wanted) return node;
        if (node->character > wanted) return nullptr;
    }
    return nullptr;
}

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_TRIELISTS_H
