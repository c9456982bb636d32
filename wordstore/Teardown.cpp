// Freeing the tree: killTrieNodes, reset and the destructor.
#include <typeinfo>

#include "wordstore/LinkedTrie.h"
#include "wordstore/internal/NodePool.h"
#include "wordstore/internal/TreeWalk.h"

void rorirer::freeNodes(LinkedTrieNode* list) noexcept {
    LinkedTrieNode* node = list;
    while (node != nullptr) {
        if (LinkedTrieNode* child = node->firstChild) {
            // Each node is rotated up at most once, so the teardown is
            // linear in the number of nodes.
            node->firstChild = child->nextSibling;
            child->nextSibling = node;
            node = child;
        } else {
            LinkedTrieNode* next = node->nextSibling;
            delete node;
            node = next;
        }
    }
}

void LinkedTrie::killTrieNodes(LinkedTrieNode* list) {
    // The whole tree of a store whose pool holds exactly the tree's nodes
    // goes by one sweep over the pool's memory. The counts agreeing is not
    // enough: a subclass may keep pooled nodes outside the tree and link as
    // many of its own into it, or set the count to anything, so the pool
    // checks the tree's pointers against its nodes first (a pass in address
    // order, still far cheaper than a walk that misses the cache at every
    // node). Otherwise the walk frees just what the tree holds.
    if (list != nullptr && list == root && typeid(*list) == typeid(rorirer::RootMarker)) {
        auto* marker = static_cast<rorirer::RootMarker*>(list);
        if (marker->pool != nullptr && marker->nextSibling != nullptr &&
            marker->firstChild == nullptr &&
            static_cast<long>(marker->pool->live()) == nodeCount - 1 &&
            marker->pool->holdsExactly(marker)) {
            marker->pool->destroyAll();
            marker->nextSibling = nullptr;
        }
    }
    rorirer::freeNodes(list);
}

LinkedTrie::~LinkedTrie() {
    killTrieNodes(root);
    root = nullptr;
}

void LinkedTrie::reset() {
    // The new root marker is allocated before the old tree goes, so a failure
    // leaves the store as it was. The old pool goes with the old tree; the
    // new one comes with the first insertion.
    LinkedTrieNode* fresh = new rorirer::RootMarker();
    killTrieNodes(root);
    root = fresh;
    nodeCount = 1;
    wordCount = 0;
}
