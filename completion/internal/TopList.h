// The nodes of the top-level list by byte, so that a walk's first step
// needs no scan of the store's longest list. Nodes never move while they are
// in the tree, so an entry stays right until the node it points to leaves:
// the store refreshes the entry of a first byte whenever a word starting
// with it comes or goes.
#ifndef RORIRER_COMPLETION_INTERNAL_TOPLIST_H
#define RORIRER_COMPLETION_INTERNAL_TOPLIST_H

#include <cstdint>

#include "wordstore/internal/TreeWalk.h"

namespace rorirer {

class TopList {
public:
    // `root`: the root marker, which heads the top-level list.
    void rebuild(const LinkedTrieNode* root) noexcept {
        for (const LinkedTrieNode*& entry : nodes_) entry = nullptr;
        for (const LinkedTrieNode* n = root->nextSibling; n != nullptr; n = n->nextSibling)
            nodes_[byteOf(n)] = n;
    }
    void refresh(const LinkedTrieNode* root, std::uint8_t byte) noexcept {
        nodes_[byte] = findInList(root->nextSibling, widen(static_cast<char>(byte)));
    }
    const LinkedTrieNode* node(std::uint8_t byte) const noexcept { return nodes_[byte]; }

private:
    const LinkedTrieNode* nodes_[256] = {};
};

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_INTERNAL_TOPLIST_H
