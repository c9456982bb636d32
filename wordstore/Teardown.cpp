// Freeing the tree: killTrieNodes, reset and the destructor.
#include "wordstore/LinkedTrie.h"
#include "wordstore/TreeWalk.h"

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

void LinkedTrie::killTrieNodes(LinkedTrieNode* list) { rorirer::freeNodes(list); }

LinkedTrie::~LinkedTrie() {
    killTrieNodes(root);
    root = nullptr;
}

void LinkedTrie::reset() {
    // The new root marker is allocated before the old tree goes, so a failure
    // leaves the store as it was.
    LinkedTrieNode* fresh = new LinkedTrieNode();
    killTrieNodes(root);
    root = fresh;
    nodeCount = 1;
    wordCount = 0;
}
